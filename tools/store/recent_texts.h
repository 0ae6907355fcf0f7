#ifndef STORE_RECENT_TEXTS_H
#define STORE_RECENT_TEXTS_H

#include <QString>

#include <cstdint>
#include <vector>

namespace store {

// What was made of the texts met last (their number, their UTF-8), found by
// where their characters are: most events name the text of their static
// object, one shared string each, and so spare a hash or a conversion.
// Holding the string keeps its characters where they are, so that an equal
// address and size is the same text. Empty texts, null or not, share their
// characters' address: they are made every time.
template <class Value>
class RecentTexts {
public:
    template <class Make>
    const Value& find(const QString& text, Make&& make)
    {
        Slot& slot = slots_[text.isEmpty() ? 0 : (reinterpret_cast<std::uintptr_t>(text.constData()) >> 4) % slotCount];
        if (text.isEmpty() || slot.text.constData() != text.constData() || slot.text.size() != text.size()) {
            slot.text = text;
            slot.value = make(text);
        }
        return slot.value;
    }

private:
    struct Slot {
        QString text;
        Value value{};
    };
    static constexpr size_t slotCount = 256;
    std::vector<Slot> slots_ = std::vector<Slot>(slotCount);
};

}

#endif
