#pragma once

#include "core/context/ExitState.h"
#include "core/context/HistoryLog.h"
#include "core/context/MainWindowState.h"
#include "core/context/OperatorInterface.h"
#include "core/context/ProgramFlags.h"
#include "core/model/DeviceList.h"
#include "core/model/DeviceProfile.h"
#include "core/model/FieldSelectorSlots.h"
#include "core/model/HardwareInformation.h"
#include "core/model/MemoryImage.h"
#include "core/model/OptionBindings.h"
#include "core/model/OptionTable.h"
#include "core/model/SerialNumberSettings.h"
#include "core/model/SupportFileState.h"
#include "core/model/TemplateTables.h"
#include "core/model/WorkstationSettings.h"

#include <QString>

class ProgrammerLink;

// The program-wide state, created once by start-up (or by a test) and passed by reference.
// Every table and flag has exactly one owner here; there are no mutable globals.
class AppContext
{
public:
    // appDir: the directory the support files are looked up in (normally the executable's).
    AppContext(OperatorInterface& op, const QString& appDir);

    OperatorInterface& Operator() { return *m_operator; }
    void SetOperator(OperatorInterface& op) { m_operator = &op; }

    // The application directory with a trailing separator.
    const QString& AppDir() const { return m_appDir; }
    QString AppFile(const QString& name) const { return m_appDir + name; }

    HistoryLog& History() { return m_history; }
    MainWindowState& Window() { return m_window; }
    ProgramFlags& Flags() { return m_flags; }
    CurrentFile& File() { return m_file; }
    OptionTable& Options() { return m_options; }
    DeviceList& Devices() { return m_devices; }
    DeviceProfile& Profile() { return m_profile; }
    FieldSelectorSlots& FieldSelectors() { return m_fieldSelectors; }
    SupportFileState& Support() { return m_support; }
    MemoryImage& Image() { return m_image; }
    // What the link last learnt about the programmer box, as the information report shows it.
    HardwareInformation& Hardware() { return m_hardware; }
    // The selected device's template: operation records, task rows, task tree and menu.
    TemplateTables& Templates() { return m_templates; }
    // Everything that follows the options registers here (controls, commands, task rows, hooks).
    OptionBindings& Bindings() { return m_bindings; }
    SerialNumberSettings& SerialSettings() { return m_serialSettings; }
    WorkstationSettings& Workstation() { return m_workstation; }
    // The programmer link, owned by the program's entry (null in tests that need no box).
    ProgrammerLink* Link() const { return m_link; }
    void SetLink(ProgrammerLink* link) { m_link = link; }

    // How the run ends: the exit word and the file-or-settings failure; main asks it once.
    ExitState& Exit() { return m_exit; }
    const ExitState& Exit() const { return m_exit; }

private:
    OperatorInterface* m_operator;
    QString m_appDir;
    HistoryLog m_history;
    MainWindowState m_window;
    ProgramFlags m_flags;
    CurrentFile m_file;
    OptionTable m_options;
    DeviceList m_devices;
    DeviceProfile m_profile;
    FieldSelectorSlots m_fieldSelectors;
    SupportFileState m_support;
    MemoryImage m_image;
    HardwareInformation m_hardware;
    TemplateTables m_templates;
    OptionBindings m_bindings;
    SerialNumberSettings m_serialSettings;
    WorkstationSettings m_workstation;
    ExitState m_exit;
    ProgrammerLink* m_link = nullptr;
};
