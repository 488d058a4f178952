// RegistryTree: parsing, writing and editing of the registry's text form.

#include "registry_tree.h"

#include <QList>

namespace com {

namespace {
constexpr char kHeader[] = "# tolvane component registry. Written by regsvr and the components'\n"
                           "# own registration; edit only with care.\n";

bool hasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

bool isValidName(const QString& name) {
    return !hasLineBreak(name) && !name.contains(QLatin1Char('=')) &&
           !name.startsWith(QLatin1Char('[')) && !name.startsWith(QLatin1Char('#')) &&
           !name.startsWith(QLatin1Char(';')) && name != QLatin1String("@") &&
           name.trimmed() == name;
}
} // namespace

bool RegistryTree::isValidKey(const QString& key) {
    if (key.isEmpty() || hasLineBreak(key) || key.contains(QLatin1Char(']')))
        return false;
    const QStringList parts = key.split(QLatin1Char('\\'));
    for (const QString& part : parts)
        if (part.isEmpty() || part.trimmed() != part)
            return false;
    return true;
}

RegistryTree RegistryTree::parse(const QByteArray& text) {
    RegistryTree tree;
    Values* current = nullptr;
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString key = line.mid(1, line.size() - 2);
            current = isValidKey(key) ? &tree.keys_[key] : nullptr;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!current || eq < 0)
            continue; // a value outside any key, or no value at all: skipped
        QString name = line.left(eq);
        if (name == QLatin1String("@"))
            name.clear();
        else if (name.isEmpty() || !isValidName(name))
            continue;
        (*current)[name] = line.mid(eq + 1);
    }
    return tree;
}

QByteArray RegistryTree::serialize() const {
    QByteArray out(kHeader);
    for (const auto& [key, values] : keys_) {
        out += "\n[" + key.toUtf8() + "]\n";
        for (const auto& [name, value] : values)
            out += (name.isEmpty() ? QByteArray("@") : name.toUtf8()) + '=' + value.toUtf8() + '\n';
    }
    return out;
}

std::optional<QString> RegistryTree::value(const QString& key, const QString& name) const {
    const auto k = keys_.find(key);
    if (k == keys_.end())
        return std::nullopt;
    const auto v = k->second.find(name);
    if (v == k->second.end())
        return std::nullopt;
    return v->second;
}

HRESULT RegistryTree::setValue(const QString& key, const QString& name, const QString& value) {
    if (!isValidKey(key) || (!name.isEmpty() && !isValidName(name)) || hasLineBreak(value))
        return E_INVALIDARG;
    keys_[key][name] = value;
    return S_OK;
}

HRESULT RegistryTree::createKey(const QString& key) {
    if (!isValidKey(key))
        return E_INVALIDARG;
    keys_[key];
    return S_OK;
}

bool RegistryTree::hasKey(const QString& key) const {
    return keys_.count(key) != 0;
}

bool RegistryTree::removeTree(const QString& key) {
    const QString below = key + QLatin1Char('\\');
    bool removed = false;
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (QString::compare(it->first, key, Qt::CaseInsensitive) == 0 ||
            it->first.startsWith(below, Qt::CaseInsensitive)) {
            it = keys_.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

QStringList RegistryTree::keys() const {
    QStringList out;
    for (const auto& entry : keys_)
        out << entry.first;
    return out;
}

QStringList RegistryTree::valueNames(const QString& key) const {
    QStringList out;
    const auto k = keys_.find(key);
    if (k != keys_.end())
        for (const auto& entry : k->second)
            out << entry.first;
    return out;
}

} // namespace com
