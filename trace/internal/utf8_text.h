#ifndef TDF_UTF8_TEXT_H
#define TDF_UTF8_TEXT_H

// Decoding the UTF-8 of string values. QString::fromUtf8 drops a byte order
// mark that opens its input; inside a value it is a character like any other,
// and dropping it would lose it at each reading of a rewrite.

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace tdf::internal {

inline QString decodeUtf8Text(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

}

#endif
