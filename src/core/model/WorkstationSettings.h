#pragma once

#include "core/model/WindowPlacement.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

// What the settings store keeps for the workstation rather than for a HEX file: window placements,
// the sockets in use, the view items and panel sizes, the recent-file list, the serial-port map,
// and the working default device name. The windows render it; the store loads and saves it.
class WorkstationSettings : public QObject
{
    Q_OBJECT
public:
    static constexpr int SocketCount = 4;
    static constexpr int MaxRecentFiles = 35;
    static constexpr int PortCount = 9;
    static constexpr int DefaultTreeWidth = 166;
    static constexpr int DefaultInformationHeight = 234;

    // A window that takes part in placement: capture records its current placement (leaving the
    // height when keepHeight), apply puts the record on the window (and may clamp the record).
    struct PlacementHooks {
        std::function<void(WindowPlacement& record, bool keepHeight)> capture;
        std::function<void(WindowPlacement& record)> apply;
        const void* owner = nullptr; // who registered them (see ClearPlacementHooks)
    };

    using QObject::QObject;

    WindowPlacement& Placement(RememberedWindow window) { return m_placements.at(size_t(window)); }
    void SetPlacementHooks(RememberedWindow window, PlacementHooks hooks);
    // Removes the window's hooks if owner registered them (a later registration stays).
    void ClearPlacementHooks(RememberedWindow window, const void* owner);
    // Captures the window's placement into its record (no window bound: the record stays).
    void CapturePlacement(RememberedWindow window, bool keepHeight);
    // Applies the record to the window; placement writes are suppressed meanwhile.
    void ApplyPlacement(RememberedWindow window);
    bool ApplyingPlacement() const { return m_applying; }

    // Socket 0 = A .. 3 = D.
    bool SocketInUse(int socket) const { return m_sockets.at(size_t(socket)); }
    void SetSocketInUse(int socket, bool inUse) { m_sockets.at(size_t(socket)) = inUse; }

    bool ShowTasks() const { return m_showTasks; }
    bool ShowInformation() const { return m_showInformation; }
    int TreeWidth() const { return m_treeWidth; }
    int InformationHeight() const { return m_informationHeight; }
    void SetViewItems(bool showTasks, bool showInformation, int treeWidth, int informationHeight);
    // Asks the main window to show or hide its panels as the view items say.
    void ApplyViewItems() { emit ViewItemsChanged(); }

    // Newest first, at most MaxRecentFiles.
    const QStringList& RecentFiles() const { return m_recent; }
    void SetRecentFiles(const QStringList& paths);
    // Puts path first; an entry equal to it (exactly, on file systems that tell case apart) is
    // removed first, and the list is cut to MaxRecentFiles.
    void AddRecentFile(const QString& path);

    // The device or URL behind a port name of the port list ("COM1" .. "COM9"): the environment
    // variable PRAXON_COM<n> for this run when set, else the PORTS entry of the settings store,
    // else the default map (DefaultPortTarget). Other names are returned as they are.
    QString PortTarget(const QString& portName) const;
    // The same for a port number 1 .. 9.
    QString PortTarget(int portNumber) const;
    // The store's mapping (without the environment); empty means the default map. An entry
    // naming the plain platform device of its number (PlatformPortTarget) is kept empty, so it
    // follows the default map, which names that device by its stable name when it is present.
    QString StoredPortTarget(int portNumber) const;
    void SetStoredPortTarget(int portNumber, const QString& target);
    // The default map: on Linux the USB serial adapters present, by their stable names under
    // the adapter directory, take COM1, COM2, ...; the names left over stand for /dev/ttyUSB0,
    // /dev/ttyUSB1, ... not already named (see SerialDevices::DefaultMap). On Windows COM<n>.
    QString DefaultPortTarget(int portNumber) const;
    // Where the stable adapter names are looked up (/dev/serial/by-id; tests use their own).
    void SetAdapterDirectory(const QString& directory) { m_adapterDirectory = directory; }
    // The plain device of a number: /dev/ttyUSB<n-1> on Linux, COM<n> on Windows.
    static QString PlatformPortTarget(int portNumber);
    static QString PortName(int portNumber) { return QStringLiteral("COM%1").arg(portNumber); }

    // The device name the store remembers; the default for a control file without DEV.
    const QString& DefaultDeviceName() const { return m_defaultDevice; }
    void SetDefaultDeviceName(const QString& name) { m_defaultDevice = name; }

    // Set while the settings are being loaded: edit handlers of serial-number fields and the
    // option-editing commands do not react meanwhile.
    bool Loading() const { return m_loading; }
    void SetLoading(bool loading) { m_loading = loading; }

    // Shows the busy cursor while the settings are being saved (set by the GUI).
    std::function<void(bool busy)> busyCursor;

signals:
    void ViewItemsChanged();
    void RecentFilesChanged();

private:
    std::array<WindowPlacement, RememberedWindowCount> m_placements{};
    std::array<PlacementHooks, RememberedWindowCount> m_placementHooks{};
    bool m_applying = false;
    std::array<bool, SocketCount> m_sockets{true, false, false, false};
    bool m_showTasks = true;
    bool m_showInformation = true;
    int m_treeWidth = DefaultTreeWidth;
    int m_informationHeight = DefaultInformationHeight;
    QStringList m_recent;
    std::array<QString, PortCount> m_ports{};
    QString m_adapterDirectory;
    QString m_defaultDevice = QStringLiteral("18F252");
    bool m_loading = false;
};
