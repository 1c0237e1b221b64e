#pragma once

#include "core/model/CalibrationRecord.h"
#include "core/model/HexLoadStatus.h"
#include "core/model/ImageDisplayState.h"
#include "core/model/TTPXGriddata.h"

#include <QtGlobal>
#include <array>
#include <span>
#include <vector>

struct DeviceProfile;

// The one in-memory copy of everything that can be programmed into a part or read back from it.
// Every element is an unsigned 16-bit value in every core family; 8-bit memories (EE data, 18X ID
// bytes) keep their value in the low byte. The buffers have fixed sizes large enough for every
// device; the sizes in use come from the device profile. The image is cleared, never reallocated,
// when a HEX file is opened.
class MemoryImage
{
public:
    static constexpr int CodeWords = 0x200001; // word addresses 0 .. 0x200000
    static constexpr int EeElements = 4097;    // EE byte addresses 0 .. 4096
    static constexpr int IdElements = 9;       // ID locations 0 .. 8
    static constexpr int ConfigElements = 8;   // configuration words 0 .. 7
    static constexpr int ConfigMaskElements = 16;
    static constexpr int SocketCount = 4; // sockets A, B, C, D

    MemoryImage();

    // Element w holds the HEX bytes at byte addresses 2w (low) and 2w + 1 (high).
    std::span<quint16> CodeBuffer() { return m_code; }
    std::span<const quint16> CodeBuffer() const { return m_code; }
    std::array<quint16, EeElements>& EeBuffer() { return m_ee; }
    // EE data exactly as found in the last HEX file.
    std::array<quint16, EeElements>& EeFileBuffer() { return m_eeFile; }
    std::array<quint16, IdElements>& IdWords() { return m_idWords; }
    // 18X ID bytes as found in the last HEX file (low byte).
    std::array<quint16, IdElements>& IdFileBytes() { return m_idFile; }
    std::array<quint16, ConfigElements>& ConfigWords() { return m_config; }
    // 18X configuration words as found in the last HEX file.
    std::array<quint16, ConfigElements>& ConfigFileWords() { return m_configFile; }
    // The implemented-bits mask of each configuration word, kept for the programming engine.
    std::array<quint16, ConfigMaskElements>& ConfigMasks() { return m_configMasks; }
    // socket: 0 = A .. 3 = D.
    CalibrationRecord& Calibration(int socket) { return m_calibration.at(socket); }

    // The socket whose calibration words the calibration editor shows (0 .. 3).
    int SelectedCalSocket() const { return m_selectedCalSocket; }
    void SetSelectedCalSocket(int socket) { m_selectedCalSocket = qBound(0, socket, SocketCount - 1); }

    TTPXGriddata& CodeGrid() { return m_codeGrid; }
    TTPXGriddata& EeGrid() { return m_eeGrid; }
    TTPXGriddata& CalibrationGrid() { return m_calGrid; }
    // Puts the descriptors back to their program-start values.
    void ResetGridDescriptors();
    // Takes the core family and the sizes in use from a newly loaded profile (masks come from the
    // device's template and are left as they are).
    void ApplyProfileToGrids(const DeviceProfile& profile);

    HexLoadStatus& LoadStatus() { return m_status; }
    const HexLoadStatus& LoadStatus() const { return m_status; }

    // The previous checksum; 0 after a device profile load, so the first result is logged.
    quint64 LastChecksum() const { return m_lastChecksum; }
    void SetLastChecksum(quint64 value) { m_lastChecksum = value; }

    ImageDisplayState& Display() { return m_display; }

    // Blanks the image before a HEX file is read: code 0xFFFF, EE 0x00FF, calibration words
    // 0xFFFF, configuration words 0xFFFF; ID buffers, masks and XCAL choices keep their values.
    void ClearImage();
    // Every EeBuffer element takes the value of the same EeFileBuffer element.
    void CopyEeFromFile();
    // For a 5X/XX device the calibration words follow program memory in the code buffer: word i of
    // every socket's record takes CodeBuffer element rom + i, for i below calWords (as doubled).
    void ExtractCalibration(int rom, int calWords);
    // Derives the ID words from the code buffer (5X/XX) or normalises them in place (18X):
    // each becomes (word AND nibbleMask) OR the profile's IDMASK. Does nothing with the ID override.
    void NormaliseIdWords(const DeviceProfile& profile, quint16 nibbleMask, bool idOverride);
    // Recomputes the rows of one page's descriptor and tells its grid editor to rebind.
    void RefreshEditorView(const DeviceProfile& profile, int page);

private:
    std::vector<quint16> m_code;
    std::array<quint16, EeElements> m_ee{};
    std::array<quint16, EeElements> m_eeFile{};
    std::array<quint16, IdElements> m_idWords{};
    std::array<quint16, IdElements> m_idFile{};
    std::array<quint16, ConfigElements> m_config{};
    std::array<quint16, ConfigElements> m_configFile{};
    std::array<quint16, ConfigMaskElements> m_configMasks{};
    std::array<CalibrationRecord, SocketCount> m_calibration{};
    int m_selectedCalSocket = 0;

    TTPXGriddata m_codeGrid;
    TTPXGriddata m_eeGrid;
    TTPXGriddata m_calGrid;

    HexLoadStatus m_status;
    quint64 m_lastChecksum = 0;
    ImageDisplayState m_display;
};
