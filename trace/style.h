#ifndef TDF_STYLE_H
#define TDF_STYLE_H

// How one kind of sequence-diagram element is drawn: colours, font, line
// pattern and arrow head. Styles are read from and written to resource
// groups, and dump as text.

#include "export.h"

#include "qares.h"

#include <QString>

#include <iosfwd>

// A drawing style: colours, font, line pattern and arrow head.
class TDF_EXPORT Style {
public:
    // The enumerations are plain ints, so that any value (a combination of
    // font flags, a value from elsewhere) can be held and asked about.
    // Bits of the font style; NORMAL is the empty set.
    enum Font : int { NORMAL = 0, BOLD = 1, ITALIC = 2, UNDERLINE = 4 };
    enum Line : int { SOLID_LINE = 0, DOT_LINE = 1, DASH_LINE = 2, DASH_DOT_LINE = 3, DASH_DOT_DOT_LINE = 4 };
    enum Arrow : int { PLAIN_ARROW = 0, OPEN_ARROW = 1, HALF_ARROW = 2 };

    Style(const QString& name, int id);
    virtual ~Style();

    QString name() const { return name_; }
    int id() const { return id_; }
    RGBValue textColor() const { return textColor_; }
    RGBValue backColor() const { return backColor_; }
    RGBValue lineColor() const { return lineColor_; }
    Font fontStyle() const { return fontStyle_; }
    Line lineStyle() const { return lineStyle_; }
    Arrow arrowStyle() const { return arrowStyle_; }
    QString fontName() const { return fontName_; }
    int fontSize() const { return fontSize_; }

    bool isNormal() const { return fontStyle_ == NORMAL; }
    bool isBold() const { return fontStyle_ & BOLD; }
    bool isItalic() const { return fontStyle_ & ITALIC; }
    bool isUnderline() const { return fontStyle_ & UNDERLINE; }

    virtual void setTextColor(const RGBValue& color);
    virtual void setBackColor(const RGBValue& color);
    virtual void setLineColor(const RGBValue& color);
    // Replaces the whole set of font flags.
    virtual void setFontStyle(Style::Font font);
    virtual void setLineStyle(Style::Line line);
    virtual void setArrowStyle(Style::Arrow arrow);
    virtual void setFontSize(int size);
    virtual void setFontName(const QString& name);
    // Adds the flags of `font` to the current set.
    virtual void composeFontStyle(Style::Font font);

    // The resource name of a value; null for values outside the enumeration
    // (and for combined font flags).
    static const char* strFont(Style::Font font);
    static const char* strLine(Style::Line line);
    static const char* strArrow(Style::Arrow arrow);

    // The value of an exact, case-sensitive resource name; 0 with `ok` false
    // for a null or unknown text. `ok` may be null.
    static Font toFont(const char* text, bool* ok);
    static Line toLine(const char* text, bool* ok);
    static Arrow toArrow(const char* text, bool* ok);

    // Applies the members of a style resource group, through the virtual
    // setters; members it does not know, or of the wrong kind, are skipped.
    void fromResource(QARes* resource, bool readName);
    // A new resource group (tagged "style" when `tag` is null) describing
    // this style; the caller owns it.
    QARes* toResource(const char* tag) const;

private:
    QString name_;
    int id_;
    RGBValue textColor_;
    RGBValue backColor_;
    RGBValue lineColor_;
    Font fontStyle_;
    Line lineStyle_;
    Arrow arrowStyle_;
    QString fontName_;
    int fontSize_;
};

TDF_EXPORT std::ostream& operator<<(std::ostream& out, const Style& style);

#endif
