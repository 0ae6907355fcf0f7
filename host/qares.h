#ifndef QARES_H
#define QARES_H

// The host's resource trees: tagged nodes of a few kinds, chained through
// `next`, with groups and lists holding a chain of their own. Every node
// remembers the file, line and column it was read from so that a reader of
// the tree can point users at their mistakes.

#include <QByteArray>
#include <QString>

#include <iosfwd>

struct RGBValue {
    int red;
    int green;
    int blue;

    RGBValue(int r = 0, int g = 0, int b = 0) : red(r), green(g), blue(b) {}
    bool operator==(const RGBValue& o) const { return red == o.red && green == o.green && blue == o.blue; }
    bool operator!=(const RGBValue& o) const { return !(*this == o); }
};

// Writes "rgb(R,G,B)", without blanks.
std::ostream& operator<<(std::ostream& out, const RGBValue& color);

class QAResGroup;
class QAResList;
class QAResInt;
class QAResString;
class QAResIdentifier;
class QAResBoolean;
class QAResRGB;

class QARes {
public:
    enum Type {
        TYPE_GROUP = 1,
        TYPE_LIST = 2,
        TYPE_INT = 3,
        TYPE_RGB = 4,
        TYPE_BOOLEAN = 5,
        TYPE_STRING = 6,
        TYPE_IDENTIFIER = 8
    };

    // A node owns the siblings that follow it: deleting the first node of a
    // chain frees the whole chain, and a group or list frees its members.
    virtual ~QARes();

    QARes(const QARes&) = delete;
    QARes& operator=(const QARes&) = delete;

    Type type() const { return type_; }
    // Null for list items.
    const char* tag() const { return tag_.isNull() ? nullptr : tag_.constData(); }
    QARes* next() const { return next_; }

    // The first node, from this one along `next`, tagged `tag`; null if none.
    // Only single keys are supported, so the separator is not used.
    QARes* search(const char* tag, char separator = '.');
    bool isTag(const char* tag) const;

    QAResGroup* toResGroup();
    QAResList* toResList();
    QAResInt* toResInt();
    QAResString* toResString();
    QAResIdentifier* toResIdentifier();
    QAResBoolean* toResBoolean();
    QAResRGB* toResRGB();
    const QAResGroup* toResGroup() const;
    const QAResList* toResList() const;
    const QAResInt* toResInt() const;
    const QAResString* toResString() const;
    const QAResIdentifier* toResIdentifier() const;
    const QAResBoolean* toResBoolean() const;
    const QAResRGB* toResRGB() const;

    // Null for nodes that were built in code rather than read from a file.
    const char* srcFileName() const { return srcFileName_.isNull() ? nullptr : srcFileName_.constData(); }
    int line() const { return line_; }
    int column() const { return column_; }
    void setSource(const QByteArray& fileName, int line, int column);

    // Inserts the chain starting at `sibling` right after this node and
    // returns `sibling`, so that chains can be built in one expression.
    QARes* addSibling(QARes* sibling);

protected:
    QARes(Type type, const char* tag);

private:
    Type type_;
    QByteArray tag_;
    QARes* next_ = nullptr;
    QByteArray srcFileName_;
    int line_ = 0;
    int column_ = 0;
};

// Groups and lists: nodes holding a chain of members (or items).
class QAResContainer : public QARes {
public:
    ~QAResContainer() override;
    QARes* firstChild() const { return firstChild_; }

protected:
    QAResContainer(Type type, const char* tag, QARes* first) : QARes(type, tag), firstChild_(first) {}

    QARes* firstChild_;
};

class QAResGroup : public QAResContainer {
public:
    QAResGroup(const char* tag, QARes* firstMember) : QAResContainer(TYPE_GROUP, tag, firstMember) {}
};

class QAResList : public QAResContainer {
public:
    QAResList(const char* tag, QARes* firstItem) : QAResContainer(TYPE_LIST, tag, firstItem) {}
    // Adds a chain of items after the last one.
    void addItems(QARes* chain);
    // True when every item has the type `type` (so also for an empty list).
    bool isListOf(QARes::Type type) const;
};

class QAResInt : public QARes {
public:
    QAResInt(const char* tag, int value) : QARes(TYPE_INT, tag), value_(value) {}
    int value() const { return value_; }

private:
    int value_;
};

class QAResString : public QARes {
public:
    QAResString(const char* tag, const QString& value) : QARes(TYPE_STRING, tag), value_(value) {}
    const QString& value() const { return value_; }

private:
    QString value_;
};

class QAResIdentifier : public QARes {
public:
    // A null text stays null.
    QAResIdentifier(const char* tag, const char* text) : QARes(TYPE_IDENTIFIER, tag), value_(text) {}
    const char* value() const { return value_.isNull() ? nullptr : value_.constData(); }

private:
    QByteArray value_;
};

class QAResBoolean : public QARes {
public:
    QAResBoolean(const char* tag, bool value) : QARes(TYPE_BOOLEAN, tag), value_(value) {}
    bool value() const { return value_; }

private:
    bool value_;
};

class QAResRGB : public QARes {
public:
    QAResRGB(const char* tag, const RGBValue& value) : QARes(TYPE_RGB, tag), value_(value) {}
    const RGBValue& value() const { return value_; }

private:
    RGBValue value_;
};

#endif
