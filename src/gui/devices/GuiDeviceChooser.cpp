#include "gui/devices/GuiDeviceChooser.h"

#include "core/commands/SelectDeviceCommand.h"
#include "core/context/AppContext.h"
#include "core/context/OperatorInterface.h"
#include "gui/devices/Tseldevdlg.h"

GuiDeviceChooser::GuiDeviceChooser(AppContext& context, QWidget* parent)
    : m_parent(parent), m_dialog(new Tseldevdlg(context, parent))
{
}

int GuiDeviceChooser::ChooseDevice(AppContext&)
{
    m_dialog->Fill();
    m_dialog->exec();
    return m_dialog->HighlightedIndex();
}

bool GuiDeviceChooser::ConfirmParameterEditing(AppContext& ctx)
{
    NoticeRequest notice;
    notice.title = QString::fromLatin1(ParameterEditorNotice::Title);
    notice.text = ParameterEditorNotice::Text();
    notice.checkText = QString::fromLatin1(ParameterEditorNotice::CheckBoxText);
    notice.ticked = true;
    return ctx.Operator().ShowNotice(notice);
}
