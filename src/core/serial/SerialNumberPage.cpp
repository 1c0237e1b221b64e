#include "core/serial/SerialNumberPage.h"

#include "core/context/AppContext.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsStore.h"
#include "core/serial/SerialNumberRules.h"
#include "core/serial/SerialNumbering.h"

SerialNumberPage::SerialNumberPage(AppContext& ctx, SerialNumbering& serial, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_serial(serial)
{
    connect(&m_serial, &SerialNumbering::Changed, this, &SerialNumberPage::Changed);
}

SerialNumberPage::Mode SerialNumberPage::CurrentMode() const
{
    const OptionTable& o = m_ctx.Options();
    if (!o.IsEffective(OptionIndex::SerialNumbering))
        return Mode::Disabled;
    if (o.IsEffective(OptionIndex::UseSqtp))
        return Mode::Sqtp;
    return o.Raw(OptionIndex::AutoIncrement) ? Mode::Automatic : Mode::Manual;
}

QString SerialNumberPage::StatusText(int socket) const
{
    const QString& result = m_serial.State().socketStatus[size_t(socket)];
    if (!result.isEmpty())
        return result;
    switch (CurrentMode()) {
    case Mode::Manual: return QStringLiteral("Manual");
    case Mode::Sqtp: return QStringLiteral("SQTP File");
    case Mode::Automatic: return QStringLiteral("Auto");
    default: return QStringLiteral("Disabled");
    }
}

QString SerialNumberPage::HexText(int field) const
{
    if (field == TopRow)
        return m_ctx.SerialSettings().currentText;
    return m_serial.State().socketHexTexts[size_t(field)];
}

QString SerialNumberPage::DecimalText(int field) const
{
    if (field == TopRow)
        return m_serial.State().currentDecimalText;
    return m_serial.State().socketDecimalTexts[size_t(field)];
}

SerialNumberPage::Look SerialNumberPage::FieldLook(int field) const
{
    switch (CurrentMode()) {
    case Mode::Disabled: return Look::Disabled;
    case Mode::Manual: return Look::Editable;
    default: return field == TopRow ? Look::AutomaticTop : Look::AutomaticSocket;
    }
}

int SerialNumberPage::HexMaxLength() const
{
    return SerialNumberRules::HexDigits(m_ctx.SerialSettings().length);
}

int SerialNumberPage::DecimalMaxLength() const
{
    return SerialNumberRules::DecimalDigits(m_ctx.SerialSettings().length);
}

bool SerialNumberPage::AutoIncrementChecked() const
{
    return m_ctx.Options().IsSet(OptionIndex::AutoIncrement);
}

bool SerialNumberPage::AutoIncrementEnabled() const
{
    return m_ctx.Options().Present(OptionIndex::AutoIncrement);
}

int SerialNumberPage::HighlightedSocket() const
{
    return m_serial.State().highlightedSocket;
}

qint64& SerialNumberPage::Number(int field)
{
    SerialNumberSettings& s = m_ctx.SerialSettings();
    return field == TopRow ? s.currentNumber : s.lastSocketNumbers[size_t(field)];
}

void SerialNumberPage::Store(int field, qint64 number)
{
    Number(field) = qMax<qint64>(0, number);
    m_serial.RefreshNumbers();
}

void SerialNumberPage::EditHex(int field, const QString& text)
{
    if (m_ctx.Workstation().Loading() || CurrentMode() == Mode::Sqtp)
        return;
    Store(field, SerialNumberRules::ParseHex(text.isEmpty() ? QStringLiteral("0") : text));
}

void SerialNumberPage::EditDecimal(int field, const QString& text)
{
    if (m_ctx.Workstation().Loading())
        return;
    bool ok = true;
    qint64 number = text.isEmpty() ? 0 : text.toLongLong(&ok);
    if (!ok) {
        m_ctx.Operator().PlaySound(SoundKind::Warning);
        number = 0;
    }
    Store(field, number);
}

bool SerialNumberPage::FilterHexKey(QChar& key)
{
    if (key.category() == QChar::Other_Control || key == u' ' || key.isDigit())
        return true;
    if (key >= u'a' && key <= u'f') {
        key = key.toUpper();
        return true;
    }
    if (key >= u'A' && key <= u'F')
        return true;
    MessageRequest box;
    box.caption = QStringLiteral("Invalid Input");
    box.text = QStringLiteral("Field Requires a HEX Value");
    box.icon = BoxIcon::Warning;
    box.sound = SoundKind::Warning;
    m_ctx.Operator().ShowMessage(box);
    return false;
}

void SerialNumberPage::AutoIncrementClicked(bool checked)
{
    ProgramFlags& flags = m_ctx.Flags();
    if (!flags.ProgramReady)
        return;
    SerialNumberSettings& s = m_ctx.SerialSettings();
    m_ctx.Options().SetValue(OptionIndex::AutoIncrement, checked);
    if (checked && !m_ctx.Workstation().Loading()) {
        const QString key = QStringLiteral("last_hex");
        const QString stored = m_ctx.Options().OptionsHidden()
                                   ? ControlFile::ReadSerialValue(m_ctx.File().controlPath, key, s.lastHexText)
                                   : SettingsStore::ReadValue(m_ctx, QStringLiteral("SERIALNUM"), key, s.lastHexText);
        const QString top = s.currentText;
        if (SerialNumberRules::ParseHex(stored) != SerialNumberRules::ParseHex(top)) {
            MessageRequest box;
            box.caption = QStringLiteral("Saving New Auto Increment Serial number");
            box.text = QStringLiteral("NOTICE: This will reset the 'Auto Increment' Serial Number.\r\rDo you wish to "
                                      "save this number: ") +
                       top + QStringLiteral(" [HEX] as the Last Serial Number Used?");
            box.icon = BoxIcon::Question;
            box.sound = SoundKind::Question;
            box.buttons = YesButton | NoButtonAnswer;
            box.defaultButton = NoButtonAnswer;
            if (m_ctx.Operator().ShowMessage(box) == YesButton) {
                m_serial.ResetCounter(top);
            } else {
                s.currentNumber = qMax<qint64>(0, SerialNumberRules::ParseHex(stored));
                s.currentText = SerialNumberRules::HexText(s.currentNumber, s.length);
                s.lastHexText = s.currentText;
            }
        }
    }
    flags.SettingsDirty = true;
    OptionsChanged(m_ctx);
    emit Changed();
}
