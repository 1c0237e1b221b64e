#include "gui/devices/GuiDeviceChooser.h"

#include "core/context/OperatorInterface.h"
#include "core/devices/SelectDeviceCommand.h"
#include "gui/devices/Tseldevdlg.h"

#include <QCheckBox>
#include <QMessageBox>

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

bool GuiDeviceChooser::ConfirmParameterEditing(AppContext&)
{
    // A plain notice with its check box, standing in for the program's notice dialog.
    QMessageBox notice(m_parent);
    notice.setWindowTitle(QString::fromLatin1(ParameterEditorNotice::Title));
    notice.setText(DisplayText(ParameterEditorNotice::Text()));
    notice.setTextFormat(Qt::PlainText);
    notice.setStandardButtons(QMessageBox::Ok);
    auto* box = new QCheckBox(QString::fromLatin1(ParameterEditorNotice::CheckBoxText), &notice);
    box->setChecked(true);
    notice.setCheckBox(box);
    notice.exec();
    return box->isChecked();
}
