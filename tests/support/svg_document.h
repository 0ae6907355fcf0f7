#ifndef SVG_DOCUMENT_H
#define SVG_DOCUMENT_H

#include <QByteArray>
#include <QMap>
#include <QString>

#include <vector>

// An SVG picture as a real XML parser reads it: every element in document
// order with its attributes, its own text, the class of the group it
// belongs to and that group's tooltip.
struct SvgElement {
    QString name;
    QString namespaceUri;
    QMap<QString, QString> attributes;
    QString text;
    QString groupClass;  // class of the innermost enclosing <g> that has one
    QString tooltip;     // <title> of that group
    long group = -1;     // index of that group among the elements

    QString attribute(const char* key) const { return attributes.value(QString::fromLatin1(key)); }
    double number(const char* key) const { return attribute(key).toDouble(); }
};

struct SvgDocument {
    explicit SvgDocument(const QByteArray& data);

    QString error;  // empty when the document is well formed
    std::vector<SvgElement> elements;

    // Elements of a name inside groups of a class ("" for any group).
    std::vector<const SvgElement*> find(const QString& name, const QString& groupClass = QString()) const;
    // The groups whose class is `cssClass`.
    std::vector<const SvgElement*> groups(const QString& cssClass) const;
    // The elements of a name directly inside `group` (one of `elements`).
    std::vector<const SvgElement*> members(const SvgElement* group, const QString& name) const;
    // The texts drawn inside groups of a class.
    std::vector<QString> texts(const QString& groupClass) const;
};

#endif
