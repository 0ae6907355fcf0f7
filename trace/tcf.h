#ifndef TDF_TCF_H
#define TDF_TCF_H

// Trace configurations: the styles, default styles, instance types, thread
// states, glyph kinds and namings that a trace's definition blocks select
// by name. A configuration owns everything added to it; its lists keep the
// order of adding, and lookups go through an index by id or name beside
// them, so an entry's id or name must not change once it is added.

#include "export.h"
#include "keyed_list.h"
#include "list.h"

#include <QString>

class Naming;
class Style;
class TCF;

// A kind of instance: its icon, style, naming and control-flow mode.
class TDF_EXPORT InstanceType {
public:
    InstanceType(TCF* tcf, const QString& name, const QString& iconTag, Style* style);
    ~InstanceType();
    InstanceType(const InstanceType&) = delete;
    InstanceType& operator=(const InstanceType&) = delete;

    void setStyle(Style* newStyle) { style = newStyle; }
    void setIconTag(const QString& tag) { iconTag = tag; }

    // The type's own control-flow mode when it gives one, else its
    // configuration's.
    bool nestedControlFlow() const;

    TCF* tcf;
    QString name;
    QString iconTag;
    Style* style;                       // one of the configuration's styles, or null
    Naming* naming = nullptr;           // owned; null names instances by default
    bool ownNestedControlFlow = false;  // the type's own mode, used when controlFlowSet
    bool controlFlowSet = false;
};

// A state a thread can be in, named by id in thread records (TI).
class TDF_EXPORT ThreadState {
public:
    ThreadState(TCF* tcf, int id);

    void setName(const QString& newName) { name = newName; }

    TCF* tcf;
    QString name;
    int id;
    bool isActiveState = false;
};

// A kind of glyph (GL): its name, icon and the failure it marks, if any.
class TDF_EXPORT Glyph {
public:
    enum Type : int { GLYPH_NONE = 0, UNEXPECTED_CALL = 1, VERIFICATION_POINT_FAILED = 2, UNEXPECTED_DATA = 3 };

    Glyph(TCF* tcf, int id);

    void setName(const QString& newName) { name = newName; }
    void setIconTag(const QString& tag) { iconTag = tag; }

    TCF* tcf;
    QString name;
    int id;
    QString iconTag;
    int type = GLYPH_NONE;
};

// A trace configuration: what a trace's definition blocks select by name.
class TDF_EXPORT TCF {
public:
    // The kinds of drawn objects that have a default style.
    enum Object : int {
        OBJ_WORLD = 0,
        OBJ_INSTANCE_TITLE = 1,
        OBJ_INSTANCE_ACTIVATED = 2,
        OBJ_INSTANCE_DESACTIVATED = 3,
        OBJ_INSTANCE_DELETE = 4,
        OBJ_INSTANCE_NOTE = 5,
        OBJ_MESSAGE_BODY = 6,
        OBJ_MESSAGE_RETURN = 7,
        OBJ_MESSAGE_NOTE = 8,
        OBJ_SYNCHRONISATION = 9,
        OBJ_ACTION = 10,
        OBJ_LOOP_START = 11,
        OBJ_LOOP_END = 12,
        OBJ_TIME = 13
    };
    static constexpr int objectCount = 14;
    // A trace selects a definition block (SF) by at most this many words,
    // so no longer identification could ever be used.
    static constexpr int maxIdLength = 9;

    TCF(const QString& name, int idLength);
    ~TCF();
    TCF(const TCF&) = delete;
    TCF& operator=(const TCF&) = delete;

    QString name() const { return name_; }
    QString comment() const { return comment_; }
    // The public name, or the name when no public name is set.
    QString publicName() const { return publicName_.isNull() ? name_ : publicName_; }
    void setPublicName(const QString& publicName) { publicName_ = publicName; }
    void setComment(const QString& comment) { comment_ = comment; }

    // Number of 64-bit words in the identification of a definition block.
    int idLength() const { return idLength_; }
    void setIdLength(int idLength) { idLength_ = idLength; }
    bool nestedControlFlow() const { return nestedControlFlow_; }
    void setNestedControlFlow(bool nested) { nestedControlFlow_ = nested; }

    // The first style added, or null.
    Style* defaultStyle() const;
    // The default style of a kind of object; null outside the 14 kinds.
    Style* defaultStyle(TCF::Object object) const;
    // Stores `style`, or defaultStyle() when it is null; kinds outside the
    // 14 are ignored.
    void setDefaultStyle(TCF::Object object, Style* style);

    // The add operations refuse (return false and leave the object with the
    // caller) a null object or one whose key is present; otherwise the
    // configuration takes it over.
    Style* style(int id) const;
    // The first style added also becomes the default of every kind.
    bool addStyle(Style* style);
    InstanceType* instanceType(const QString& name) const;
    bool addInstanceType(InstanceType* type);
    ThreadState* threadState(int id) const;
    bool addThreadState(ThreadState* state);
    Glyph* glyph(int id) const;
    bool addGlyph(Glyph* glyph);

    const List<Style*>& styles() const { return styles_; }
    const List<InstanceType*>& instanceTypes() const { return instanceTypes_; }
    const List<ThreadState*>& threadStates() const { return threadStates_; }
    const List<Glyph*>& glyphs() const { return glyphs_; }

    bool displayWorldActor = true;
    Naming* loopNaming = nullptr;  // owned; null names loops by default

private:
    // The index keys of the entries: ids, and a hash of a type's name.
    struct StyleKey {
        static bool key(const Style* style, unsigned long long* key);
    };
    struct InstanceTypeKey {
        static bool key(const InstanceType* type, unsigned long long* key);
    };
    template <class Entry>
    struct IdKey {
        static bool key(const Entry* entry, unsigned long long* key)
        {
            *key = static_cast<unsigned long long>(entry->id);
            return true;
        }
    };

    QString name_;
    QString publicName_;
    QString comment_;
    int idLength_;
    bool nestedControlFlow_ = false;
    Style* defaultStyles_[objectCount] = {};
    KeyedList<Style, StyleKey> styles_;
    KeyedList<InstanceType, InstanceTypeKey> instanceTypes_;
    KeyedList<ThreadState, IdKey<ThreadState>> threadStates_;
    KeyedList<Glyph, IdKey<Glyph>> glyphs_;
};

// A list of configurations; it does not own them.
class TDF_EXPORT TCFList : public List<TCF*> {
public:
    // The first configuration named exactly `name` (public names are not
    // consulted); null when none.
    TCF* search(const QString& name) const;
    // For the owner: destroys every configuration and empties the list.
    void deleteConfigurations();
};

#endif
