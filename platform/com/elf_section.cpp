// ELF section lookup with <elf.h>: header, section header table, section
// name string table, then the section itself.

#include "elf_section.h"

#include <QFile>
#include <cstring>
#include <elf.h>

namespace com {

namespace {
/// A bounds-checked view of the mapped file.
class Image {
public:
    Image(const uchar* data, quint64 size) : data_(data), size_(size) {}
    bool contains(quint64 offset, quint64 length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    template <class T> bool read(quint64 offset, T* out) const {
        if (!contains(offset, sizeof(T)))
            return false;
        std::memcpy(out, data_ + offset, sizeof(T));
        return true;
    }
    const uchar* at(quint64 offset) const { return data_ + offset; }

private:
    const uchar* data_;
    quint64 size_;
};

bool fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

bool findSection(const Image& img, const char* name, QByteArray* out, QString* error) {
    Elf64_Ehdr eh{};
    if (!img.read(0, &eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0)
        return fail(error, QStringLiteral("not an ELF file"));
    if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB)
        return fail(error, QStringLiteral("not a 64-bit little-endian ELF file"));
    if (eh.e_shoff == 0 || eh.e_shentsize < sizeof(Elf64_Shdr))
        return fail(error, QStringLiteral("the file has no section table"));

    auto header = [&](quint64 index, Elf64_Shdr* sh) {
        return img.read(eh.e_shoff + index * eh.e_shentsize, sh);
    };
    Elf64_Shdr first{};
    if (!header(0, &first))
        return fail(error, QStringLiteral("the section table lies outside the file"));
    // Large files keep the real count and string table index in section 0.
    const quint64 count = eh.e_shnum != 0 ? eh.e_shnum : first.sh_size;
    const quint64 strIndex = eh.e_shstrndx == SHN_XINDEX ? first.sh_link : eh.e_shstrndx;
    if (count > 0xFFFFFF || !img.contains(eh.e_shoff, count * eh.e_shentsize))
        return fail(error, QStringLiteral("the section table lies outside the file"));
    Elf64_Shdr strings{};
    if (strIndex >= count || !header(strIndex, &strings) ||
        !img.contains(strings.sh_offset, strings.sh_size))
        return fail(error, QStringLiteral("the section names lie outside the file"));

    const std::size_t nameLength = std::strlen(name);
    for (quint64 i = 0; i < count; ++i) {
        Elf64_Shdr sh{};
        header(i, &sh);
        if (sh.sh_name >= strings.sh_size || strings.sh_size - sh.sh_name <= nameLength)
            continue; // the name (with its NUL) would not fit
        const uchar* n = img.at(strings.sh_offset + sh.sh_name);
        if (std::memcmp(n, name, nameLength) != 0 || n[nameLength] != 0)
            continue;
        if (sh.sh_type == SHT_NOBITS || !img.contains(sh.sh_offset, sh.sh_size))
            return fail(error, QStringLiteral("section %1 has no contents in the file")
                                   .arg(QString::fromLatin1(name)));
        *out = QByteArray(reinterpret_cast<const char*>(img.at(sh.sh_offset)),
                          static_cast<qsizetype>(sh.sh_size));
        return true;
    }
    return fail(error, QStringLiteral("the file has no section %1").arg(QString::fromLatin1(name)));
}
} // namespace

bool readElfSection(const QString& path, const char* name, QByteArray* out, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    const qint64 size = file.size();
    if (size <= 0)
        return fail(error, QStringLiteral("not an ELF file"));
    const uchar* data = file.map(0, size);
    if (!data)
        return fail(error, QStringLiteral("cannot map %1: %2").arg(path, file.errorString()));
    const bool ok = findSection(Image(data, static_cast<quint64>(size)), name, out, error);
    file.unmap(const_cast<uchar*>(data));
    return ok;
}

} // namespace com
