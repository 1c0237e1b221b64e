#include "gui/app/PortComboBox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {
// Draws an entry of the open list as its name followed by its device.
class PortEntryDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString device = index.data(PortComboBox::DeviceRole).toString();
        if (!device.isEmpty())
            option->text += QStringLiteral("   ") + device;
    }
};
} // namespace

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new PortEntryDelegate(this));
    connect(this, &QComboBox::currentIndexChanged, this, &PortComboBox::ShowCurrentDevice);
}

void PortComboBox::SetDescriber(std::function<QString(int portNumber)> describe)
{
    m_describe = std::move(describe);
    RefreshDevices();
}

void PortComboBox::RefreshDevices()
{
    for (int i = 0; i < count(); ++i) {
        const QString device = m_describe ? m_describe(i + 1) : QString();
        setItemData(i, device, DeviceRole);
        setItemData(i, device.isEmpty() ? QVariant() : QVariant(device), Qt::ToolTipRole);
    }
    ShowCurrentDevice();
}

QString PortComboBox::DeviceText(int index) const
{
    return itemData(index, DeviceRole).toString();
}

bool PortComboBox::event(QEvent* event)
{
    // The tool tip names the device as it is now.
    if (event->type() == QEvent::ToolTip)
        RefreshDevices();
    return QComboBox::event(event);
}

void PortComboBox::showPopup()
{
    RefreshDevices();
    // The open list is as wide as its longest entry, so no device name is cut off.
    const QFontMetrics metrics = view()->fontMetrics();
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        const QString device = DeviceText(i);
        const QString shown = device.isEmpty() ? itemText(i) : itemText(i) + QStringLiteral("   ") + device;
        widest = std::max(widest, metrics.horizontalAdvance(shown));
    }
    const int margins = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 24;
    view()->setMinimumWidth(widest + margins);
    QComboBox::showPopup();
}

void PortComboBox::ShowCurrentDevice()
{
    const QString device = DeviceText(currentIndex());
    setToolTip(device.isEmpty() ? QString() : currentText() + QStringLiteral(": ") + device);
}
