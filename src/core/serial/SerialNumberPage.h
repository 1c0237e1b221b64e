#pragma once

#include <QObject>
#include <QString>

class AppContext;
class SerialNumbering;

// The behaviour of the editor's "Serial Numbers" page: which mode it shows, what each status
// label and field says, which fields take input, how typed numbers are taken, the key filter of
// the hexadecimal field and the Auto Increment box with its question. The GUI page renders it.
class SerialNumberPage : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Disabled, Manual, Automatic, Sqtp };
    // How the number fields are coloured: top row and sockets in automatic and SQTP mode, the
    // window colour in manual mode, the button shadow while numbering is off.
    enum class Look { Disabled, Editable, AutomaticTop, AutomaticSocket };
    static constexpr int TopRow = -1; // the "Last Number Used:" fields; sockets are 0 to 3

    SerialNumberPage(AppContext& ctx, SerialNumbering& serial, QObject* parent = nullptr);

    Mode CurrentMode() const;
    // The socket's status label: its result during a cycle, else the mode.
    QString StatusText(int socket) const;
    QString HexText(int field) const;
    QString DecimalText(int field) const;
    bool FieldsEditable() const { return CurrentMode() == Mode::Manual; }
    Look FieldLook(int field) const;
    int HexMaxLength() const;
    int DecimalMaxLength() const;
    bool AutoIncrementChecked() const;
    bool AutoIncrementEnabled() const;
    // The socket being serialized (its row is lit), -1 none.
    int HighlightedSocket() const;

    // A hexadecimal or decimal field was edited (ignored while the settings load, and the
    // hexadecimal ones in SQTP mode). A decimal text that is no number gives a warning beep and 0.
    void EditHex(int field, const QString& text);
    void EditDecimal(int field, const QString& text);
    // The top-row hexadecimal field's key filter: a-f become capitals; a key that is no
    // hexadecimal digit, control key or space is refused with the "Invalid Input" box.
    bool FilterHexKey(QChar& key);
    // The operator ticked or unticked "Auto Increment".
    void AutoIncrementClicked(bool checked);

signals:
    void Changed();

private:
    qint64& Number(int field);
    void Store(int field, qint64 number);

    AppContext& m_ctx;
    SerialNumbering& m_serial;
};
