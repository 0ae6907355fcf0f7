#include "random_trace.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const char* const instanceTypes[] = {"Task", "Module", "Named"};
const char* const names[] = {"alpha", "beta", "a \\\"quoted\\\" name", "back\\\\slash", "", "\xc3\xa9t\xc3\xa9"};
const char* const units[] = {"us", "ms", "s", "ns", "ticks", ""};

struct Block {
    std::vector<unsigned> ids;
    std::vector<unsigned> instances;  // static instance ids
    std::vector<unsigned> messages;
    std::vector<unsigned> texts;
};

class Generator {
public:
    Generator(unsigned seed, int lines) : state_(seed * 2654435761u + 1), remaining_(lines)
    {
        named_ = chance(50);
        idLength_ = named_ ? 2 : 1;
    }

    std::string run()
    {
        while (remaining_ > 0)
            step();
        return text_;
    }

private:
    // A small generator of its own, so that a seed gives the same trace
    // with any standard library.
    unsigned next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return unsigned(state_ >> 11);
    }
    unsigned pick(unsigned count) { return next() % count; }
    bool chance(unsigned percent) { return pick(100) < percent; }
    template <class T, size_t N>
    const T& any(const T (&values)[N])
    {
        return values[pick(N)];
    }
    unsigned any(const std::vector<unsigned>& values, unsigned otherwise)
    {
        return values.empty() ? otherwise : values[pick(unsigned(values.size()))];
    }

    void line(const std::string& text)
    {
        text_ += text;
        text_ += '\n';
        --remaining_;
    }

    static std::string quoted(const std::string& text) { return '"' + text + '"'; }
    std::string name() { return quoted(any(names)); }
    std::string number(unsigned long long value)
    {
        // Every notation the reader takes for the same value.
        if (value > 0xFFFFFFFFull || chance(80))
            return std::to_string(value);
        char hexadecimal[16];
        std::snprintf(hexadecimal, sizeof hexadecimal, "0%llxh", value);
        return hexadecimal;
    }
    // A dynamic id from a small pool, so that ids meet again.
    unsigned dynamicId() { return 1 + pick(9); }
    const Block* someBlock() { return blocks_.empty() ? nullptr : &blocks_[pick(unsigned(blocks_.size()))]; }
    unsigned staticMessage()
    {
        const Block* block = someBlock();
        return chance(95) && block ? any(block->messages, 7) : 90 + pick(5);
    }
    unsigned staticText()
    {
        const Block* block = someBlock();
        return chance(95) && block ? any(block->texts, 9) : 95 + pick(5);
    }
    unsigned staticInstance()
    {
        const Block* block = someBlock();
        return chance(95) && block ? any(block->instances, 1) : 80 + pick(5);
    }
    std::string blockIds(const std::vector<unsigned>& ids)
    {
        std::string text;
        for (unsigned id : ids)
            text += ' ' + number(id);
        return text;
    }

    void defineBlock()
    {
        Block block;
        // Now and then a block with the identification of an earlier one.
        if (!blocks_.empty() && chance(15))
            block.ids = blocks_[pick(unsigned(blocks_.size()))].ids;
        else
            for (int i = 0; i < idLength_; ++i)
                block.ids.push_back(1 + pick(3));
        line("DB " + quoted(chance(97) ? (named_ ? "named" : "plain") : "unknown"));
        if (chance(97))
            line("ID" + blockIds(block.ids));
        if (chance(30))
            line("SO " + quoted("main.c") + " 20260101 " + quoted(chance(50) ? "txt" : "xrd"));
        unsigned id = 1;
        const int statics = 3 + int(pick(6));
        for (int i = 0; i < statics; ++i, ++id) {
            if (chance(20))
                line(chance(50) ? "LK " + quoted(chance(80) ? "file.c" : "") : "LK " + std::to_string(10 + pick(90)));
            if (chance(15))
                line("ST " + std::to_string(1 + pick(2)));
            switch (pick(3)) {
            case 0:
                if (!block.instances.empty() && chance(20))
                    line("SI " + std::to_string(block.instances.front()));
                line("IN " + quoted(any(instanceTypes)) + ' ' + number(id) + ' ' + name());
                block.instances.push_back(id);
                break;
            case 1:
                line("MS " + number(id) + ' ' + name());
                block.messages.push_back(id);
                break;
            default:
                line("TX " + number(id) + ' ' + name());
                block.texts.push_back(id);
                break;
            }
        }
        if (chance(3))
            line("MS " + number(1) + " \"twice\"");  // makes the block invalid
        line("ED");
        blocks_.push_back(block);
    }

    void selectBlock()
    {
        const Block* block = someBlock();
        if (chance(3)) {
            line(chance(50) ? "SF" : "CS");  // no number: no block, and nothing said
        } else if (!block || chance(8)) {
            line("SF " + std::to_string(1 + pick(4)) + blockIds(std::vector<unsigned>(idLength_, 7)));
        } else if (chance(30)) {
            line("CS " + std::to_string(1 + pick(4)));
        } else {
            line("SF " + std::to_string(1 + pick(4)) + blockIds(block->ids));
        }
    }

    void message()
    {
        const unsigned receiver = chance(5) ? 0 : dynamicId();
        std::string text = "ME " + number(staticMessage()) + ' ' + number(receiver);
        if (chance(25))
            text += ' ' + std::to_string(1 + pick(4));
        else if (chance(20))
            text += " " + name();
        line(text);
    }

    void annotation()
    {
        switch (pick(6)) {
        case 0: line("NO " + name()); break;
        case 1: line("NO \"ISO 8859-1\" " + name()); break;
        case 2: line("NO " + std::to_string(staticText()) + (chance(50) ? " " + name() : "")); break;
        case 3: line("NO \"no such codec\" \"x\""); break;
        case 4: line("GL " + std::to_string(chance(90) ? 4 + pick(2) : 6)); break;
        default: line("GL " + std::to_string(4 + pick(2)) + ' ' + std::to_string(staticText()) + " " + name()); break;
        }
    }

    void current()
    {
        switch (pick(5)) {
        case 0: line("CI 0"); break;
        case 1: line("CI"); break;
        default: line("CI " + number(dynamicId())); break;
        }
    }

    void action()
    {
        const std::string text = chance(60) ? name() : std::to_string(staticText());
        switch (pick(5)) {
        case 0: line("SA " + text); break;
        case 1: {
            std::string members = "SY " + text;
            for (unsigned i = pick(4); i > 0; --i)
                members += ' ' + number(chance(90) ? dynamicId() : 0);
            line(members);
            break;
        }
        case 2:
            line("BA " + text + ' ' + std::to_string(chance(80) ? dynamicId() : 0));
            if (chance(70))
                line("ME 7 3");  // ignored inside the action block
            if (chance(20)) {
                line("BA \"inner\" 0");
                line("EA");
            }
            if (chance(10))
                line("BA 77");  // no such text: the action is left without one
            line("EA");
            break;
        default: line("AC " + text + ' ' + number(chance(80) ? dynamicId() : 0)); break;
        }
    }

    void clock()
    {
        switch (pick(6)) {
        case 0: line("TU " + quoted(any(units))); break;
        case 1: line("TU"); break;
        case 2: line("TS " + number(pick(4))); break;
        case 3: line("HS " + number(pick(3) * 1024) + (chance(10) ? " 7" : "")); break;
        default:
            time_ += pick(50);
            line("TM " + number(time_) + (chance(5) ? " " + number(pick(10)) : ""));
            break;
        }
    }

    void rare()
    {
        switch (pick(9)) {
        case 0: line("NT"); break;
        case 1: line("ET"); break;
        case 2: line("GA"); break;
        case 3: line("GS"); break;
        case 4: line("DA"); break;
        case 5: line("XX unknown"); break;
        case 6: line(""); break;
        case 7: line("tdp comment"); break;
        default: line("NI 1  2"); break;  // fields two blanks apart: not read
        }
    }

    // One statement, chosen by weight.
    void step()
    {
        struct Choice {
            unsigned weight;
            std::function<void()> write;
        };
        const Choice choices[] = {
            {4, [this] { defineBlock(); }},
            {6, [this] { selectBlock(); }},
            {14, [this] { line("NI " + number(staticInstance()) + ' ' + number(dynamicId()) +
                                (chance(30) ? " " + name() : "")); }},
            {18, [this] { message(); }},
            {5, [this] { line("MC " + std::to_string(1 + pick(4)) + ' ' + number(staticMessage()) +
                               (chance(40) ? ' ' + number(chance(80) ? dynamicId() : 0) : "")); }},
            {14, [this] { line(chance(40) ? "MR" : "MR " + number(staticMessage())); }},
            {5, [this] { line("DI " + number(dynamicId()) + (chance(40) ? ' ' + number(staticMessage()) : "")); }},
            {7, [this] { current(); }},
            {7, [this] { annotation(); }},
            {4, [this] { line(chance(50) ? "LK " + quoted(chance(90) ? "src.c:" + std::to_string(pick(99)) : "")
                                          : "ST " + std::to_string(pick(4))); }},
            {6, [this] { line(chance(55) ? "LS " + std::to_string(pick(5)) : "LE"); }},
            {6, [this] { action(); }},
            {4, [this] { line("TI " + std::to_string(1 + pick(3)) + ' ' + std::to_string(1 + pick(3)) + ' ' +
                               std::to_string(pick(20)) + (chance(40) ? " " + name() : "")); }},
            {8, [this] { clock(); }},
            {2, [this] { rare(); }},
        };
        unsigned total = 0;
        for (const Choice& choice : choices)
            total += choice.weight;
        unsigned drawn = pick(total);
        for (const Choice& choice : choices) {
            if (drawn < choice.weight) {
                choice.write();
                return;
            }
            drawn -= choice.weight;
        }
    }

    std::uint64_t state_;
    int remaining_;
    bool named_;
    int idLength_;
    unsigned long long time_ = 0;
    std::vector<Block> blocks_;
    std::string text_;
};

}

std::string randomTrace(unsigned seed, int lines)
{
    return Generator(seed, lines).run();
}
