// Parsing of the resource section; the layout is described in
// resource_data.h. Sizes are checked against what is left of the section
// before anything is copied.

#include "resources.h"

#include "elf_section.h"
#include "resource_data.h"

namespace com {

namespace {
quint32 u32At(const QByteArray& b, qsizetype at) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}

std::optional<Resources> damaged(QString* error, const QString& why) {
    if (error)
        *error = QStringLiteral("damaged resource section: ") + why;
    return std::nullopt;
}
} // namespace

std::optional<Resources> parseResources(const QByteArray& s, QString* error) {
    if (!s.startsWith("CRS1"))
        return damaged(error, QStringLiteral("no resource header"));
    Resources out;
    qsizetype at = 4;
    const auto header = static_cast<qsizetype>(res::kRecordHeader);
    while (true) {
        if (s.size() - at < header)
            return damaged(error, QStringLiteral("no end record"));
        const quint32 kind = u32At(s, at);
        const quint64 nameSize = u32At(s, at + 4);
        const quint64 dataSize = u32At(s, at + 8);
        if (kind == res::kEnd)
            return out;
        const auto left = static_cast<quint64>(s.size() - at - header);
        if (nameSize > left || dataSize > left - nameSize)
            return damaged(error, QStringLiteral("a record runs past the end"));
        const QString name =
            QString::fromUtf8(s.mid(at + header, static_cast<qsizetype>(nameSize)));
        const QByteArray data =
            s.mid(at + header + static_cast<qsizetype>(nameSize), static_cast<qsizetype>(dataSize));
        if (kind == res::kData)
            out.data.insert(name, data);
        else if (kind == res::kVersionString)
            out.versionStrings.insert(name, QString::fromUtf8(data));
        // other kinds are left for later readers
        at += static_cast<qsizetype>(
            res::padded(res::kRecordHeader + static_cast<std::size_t>(nameSize + dataSize)));
        if (at > s.size())
            return damaged(error, QStringLiteral("a record runs past the end"));
    }
}

std::optional<Resources> readResources(const QString& path, QString* error) {
    QByteArray section;
    if (!readElfSection(path, kResourceSection, &section, error))
        return std::nullopt;
    return parseResources(section, error);
}

} // namespace com
