#include "core/model/MemoryImage.h"

#include "core/model/DeviceProfile.h"

#include <algorithm>

namespace {
constexpr quint16 BlankWord = 0xFFFF;
constexpr quint16 BlankEeByte = 0x00FF;
constexpr int IdWordBase = 0x2000; // word address of the 5X/XX ID locations in HEX files
} // namespace

MemoryImage::MemoryImage() : m_code(CodeWords, 0)
{
    ResetGridDescriptors();
}

void MemoryImage::ResetGridDescriptors()
{
    m_codeGrid = TTPXGriddata{0, 0xFFFF, QStringLiteral("XX"), TTPXGriddata::Words, 1, 15};
    m_eeGrid = m_codeGrid;
    m_eeGrid.cellKind = TTPXGriddata::Bytes;
    m_eeGrid.wordMask = 0xFF;
    m_calGrid = m_codeGrid;
    m_calGrid.cellKind = TTPXGriddata::Words;
    m_calGrid.size = 1;
}

void MemoryImage::ApplyProfileToGrids(const DeviceProfile& profile)
{
    const QString family = CoreFamilyText(profile.core);
    m_codeGrid.coreFamily = family;
    m_eeGrid.coreFamily = family;
    m_calGrid.coreFamily = family;
    m_codeGrid.size = profile.rom;
    m_eeGrid.size = profile.ee;
    m_calGrid.size = profile.cal;
}

void MemoryImage::ClearImage()
{
    std::fill(m_code.begin(), m_code.end(), BlankWord);
    m_ee.fill(BlankEeByte);
    m_eeFile.fill(BlankEeByte);
    for (CalibrationRecord& record : m_calibration)
        record.words.fill(BlankWord);
    m_config.fill(BlankWord);
    m_configFile.fill(BlankWord);
    for (ImageDisplayState::Page page :
         {ImageDisplayState::CalibrationPage, ImageDisplayState::CodePage, ImageDisplayState::EeDataPage})
        m_display.SetModifiedText(page, QStringLiteral("Unmodified"));
}

void MemoryImage::CopyEeFromFile()
{
    m_ee = m_eeFile;
}

void MemoryImage::ExtractCalibration(int rom, int calWords)
{
    const int count = std::min(calWords, CalibrationRecord::WordCount);
    for (CalibrationRecord& record : m_calibration) {
        for (int i = 0; i < count; ++i) {
            const qint64 at = qint64(rom) + i;
            if (at >= 0 && at < CodeWords)
                record.words[i] = m_code[at];
        }
    }
}

void MemoryImage::NormaliseIdWords(const DeviceProfile& profile, quint16 nibbleMask, bool idOverride)
{
    if (idOverride)
        return;
    if (profile.core == CoreFamily::Core18X) {
        for (int i = 0; i < 8; ++i)
            m_idWords[i] = (m_idWords[i] & nibbleMask) | profile.idMask;
        return;
    }
    const int source = m_code[IdWordBase] == BlankWord ? profile.idLoc : IdWordBase;
    for (int i = 0; i < 4; ++i) {
        const int at = source + i;
        const quint16 word = at >= 0 && at < CodeWords ? m_code[at] : BlankWord;
        m_idWords[i] = (word & nibbleMask) | profile.idMask;
    }
}

void MemoryImage::RefreshEditorView(const DeviceProfile& profile, int page)
{
    switch (page) {
    case ImageDisplayState::CalibrationPage:
        if (!profile.hasCalibration)
            return;
        m_calGrid.rows = (profile.cal + 3) / 4;
        break;
    case ImageDisplayState::CodePage: m_codeGrid.rows = (profile.rom + 7) / 8; break;
    case ImageDisplayState::EeDataPage:
        if (profile.ee < 1)
            return;
        m_eeGrid.rows = (profile.ee + 7) / 8;
        break;
    default: return;
    }
    m_display.NotifyEditorViewRefreshed(ImageDisplayState::Page(page));
}
