// The INI reader and writer: every read of every section and key, then a write of one key (an
// existing one or a new one) and the file's text read back: the written value must read as
// written, every other key as before, and the text must be stable from one round to the next.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "core/util/IniFile.h"

#include <utility>
#include <vector>

namespace PraxonFuzz {

namespace {

constexpr int MaxPairsChecked = 64;

struct Pair {
    QString section;
    QString key;
    QString value;
};

std::vector<Pair> Pairs(const IniFile& ini)
{
    std::vector<Pair> pairs;
    for (const QString& section : ini.SectionNames()) {
        for (const QString& key : ini.ReadSection(section)) {
            if (int(pairs.size()) >= MaxPairsChecked)
                return pairs;
            pairs.push_back({section, key, ini.ReadString(section, key, QStringLiteral("\x01missing"))});
        }
    }
    return pairs;
}

void ReadEverything(const IniFile& ini)
{
    for (const QString& section : ini.SectionNames()) {
        (void)ini.ReadSectionLines(section);
        for (const QString& key : ini.ReadSection(section)) {
            (void)ini.ReadInteger(section, key, -7);
            (void)ini.ReadBool(section, key, true);
            if (!ini.KeyExists(section, key))
                Fail("ini: a listed key does not exist");
        }
    }
}

void CheckPairs(const IniFile& ini, const std::vector<Pair>& pairs, const Pair& written, const char* what)
{
    for (const Pair& p : pairs) {
        // Section and key names compare case-insensitively: the written pair covers its variants.
        if (p.section.compare(written.section, Qt::CaseInsensitive) == 0 &&
            p.key.compare(written.key, Qt::CaseInsensitive) == 0)
            continue;
        if (ini.ReadString(p.section, p.key, QStringLiteral("\x01missing")) != p.value)
            Fail(what);
    }
    if (ini.ReadString(written.section, written.key, QStringLiteral("\x01missing")) != written.value)
        Fail(what);
}

} // namespace

int IniRoundTrip(const uint8_t* data, size_t size)
{
    const QString text = IniFile::Decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    IniFile ini;
    ini.SetText(text);
    ReadEverything(ini);
    const std::vector<Pair> before = Pairs(ini);

    // What to write: the value is the input's first line, as a writer would pass it (one line, no
    // surrounding blanks, which the reader trims); the place is an existing key, a new key in an
    // existing section, or a new section, chosen by the input's length.
    QString value = text.section(u'\n', 0, 0);
    value.remove(u'\r');
    value = value.trimmed();
    Pair written{QStringLiteral("FUZZ"), QStringLiteral("NEWKEY"), value};
    const QStringList sections = ini.SectionNames();
    switch (size % 3) {
    case 0:
        if (!before.empty()) {
            written.section = before[size % before.size()].section;
            written.key = before[size % before.size()].key;
        }
        break;
    case 1:
        if (!sections.isEmpty())
            written.section = sections[qsizetype(size % size_t(sections.size()))];
        break;
    default: break;
    }
    // A key name read from a file cannot start a comment or a header or hold '=', so it is a key
    // the writer may write; the new names are plain words.
    ini.WriteString(written.section, written.key, written.value);
    CheckPairs(ini, before, written, "ini: a write changed another key or did not read back");

    const QByteArray once = ini.ToBytes();
    IniFile again;
    again.SetText(IniFile::Decode(once));
    CheckPairs(again, before, written, "ini: the written text reads back differently");
    if (again.ToBytes() != once)
        Fail("ini: the written text is not stable");

    again.EraseSection(written.section);
    if (again.SectionExists(written.section))
        Fail("ini: an erased section still exists");
    return 0;
}

} // namespace PraxonFuzz
