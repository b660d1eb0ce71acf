#include "platform/text_codec.h"

#include <QFile>
#include <QList>

#include "records/cp1252.h"

namespace yarvelin {

QString FromCp1252(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char c : bytes) {
        out.append(QChar(static_cast<char16_t>(Cp1252ToCodePoint(c))));
    }
    return out;
}

QString FromCp1252(const char* bytes) {
    return FromCp1252(std::string_view(bytes ? bytes : ""));
}

std::string ToCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const uint cp : text.toUcs4()) {
        const int b = Cp1252FromCodePoint(cp);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

std::optional<char32_t> FirstUnencodable(const QString& text) {
    for (const uint cp : text.toUcs4()) {
        if (Cp1252FromCodePoint(cp) < 0) {
            return cp;
        }
    }
    return std::nullopt;
}

QString CharacterName(char32_t c) {
    const char32_t text[] = {c};
    return QString::fromUcs4(text, 1) +
           QStringLiteral(" (U+%1)").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

QString CharacterNotStorableMessage(char32_t c) {
    return FromCp1252(kMsgCharacterNotStorable).replace(QStringLiteral("%1"), CharacterName(c));
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace yarvelin
