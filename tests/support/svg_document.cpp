#include "svg_document.h"

#include <QXmlStreamReader>

SvgDocument::SvgDocument(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    std::vector<size_t> open;         // indexes of the open elements
    std::vector<size_t> classedGroups;  // indexes of the open groups with a class
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            SvgElement element;
            element.name = xml.name().toString();
            element.namespaceUri = xml.namespaceUri().toString();
            for (const QXmlStreamAttribute& attribute : xml.attributes())
                element.attributes.insert(attribute.qualifiedName().toString(), attribute.value().toString());
            if (!classedGroups.empty()) {
                element.group = static_cast<long>(classedGroups.back());
                element.groupClass = elements[classedGroups.back()].attribute("class");
            }
            open.push_back(elements.size());
            if (element.name == QLatin1String("g") && !element.attribute("class").isEmpty())
                classedGroups.push_back(elements.size());
            elements.push_back(element);
        } else if (xml.isCharacters() && !open.empty()) {
            elements[open.back()].text += xml.text();
        } else if (xml.isEndElement()) {
            const size_t closed = open.back();
            open.pop_back();
            if (!classedGroups.empty() && classedGroups.back() == closed)
                classedGroups.pop_back();
            if (elements[closed].name == QLatin1String("title") && !classedGroups.empty())
                elements[classedGroups.back()].tooltip = elements[closed].text;
        }
    }
    if (xml.hasError())
        error = xml.errorString();
    // A group's tooltip is read after the group opened: hand it to its members.
    for (SvgElement& element : elements) {
        if (element.group >= 0 && element.tooltip.isEmpty())
            element.tooltip = elements[element.group].tooltip;
    }
}

std::vector<const SvgElement*> SvgDocument::find(const QString& name, const QString& groupClass) const
{
    std::vector<const SvgElement*> found;
    for (const SvgElement& element : elements) {
        if (element.name == name && (groupClass.isEmpty() || element.groupClass == groupClass))
            found.push_back(&element);
    }
    return found;
}

std::vector<const SvgElement*> SvgDocument::groups(const QString& cssClass) const
{
    std::vector<const SvgElement*> found;
    for (const SvgElement& element : elements) {
        if (element.name == QLatin1String("g") && element.attribute("class") == cssClass)
            found.push_back(&element);
    }
    return found;
}

std::vector<const SvgElement*> SvgDocument::members(const SvgElement* group, const QString& name) const
{
    const long index = static_cast<long>(group - elements.data());
    std::vector<const SvgElement*> found;
    for (const SvgElement& element : elements) {
        if (element.group == index && element.name == name)
            found.push_back(&element);
    }
    return found;
}

std::vector<QString> SvgDocument::texts(const QString& groupClass) const
{
    std::vector<QString> found;
    for (const SvgElement* element : find(QStringLiteral("text"), groupClass))
        found.push_back(element->text);
    return found;
}
