#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

// The program's general-purpose modal notice: a title, an explanatory text, and either a check
// box whose tick is the answer or a masked password box. It has a single "OK" button; closing
// the window answers the same as "OK". The entered password lives here for the whole run and is
// offered again each time until a caller clears it.
class Tnagscreen : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxPasswordLength = 32;
    static constexpr int MaxCheckBoxWidth = 441;

    explicit Tnagscreen(QWidget* parent = nullptr);

    // Shows the notice modally; returns the check box's tick (in password mode the initial tick).
    bool ShowNotice(const QString& title, const QString& text, bool passwordMode, const QString& checkText,
                    bool ticked);

    const QString& EnteredPassword() const { return m_enteredPassword; }
    void ClearEnteredPassword() { m_enteredPassword.clear(); }

    // The parts, for tests that drive the dialog.
    QCheckBox* CheckBox() const { return m_checkBox; }
    QLineEdit* PasswordBox() const { return m_password; }
    QLabel* TextLabel() const { return m_text; }

    // Called with the dialog up, before it runs; tests use it to act like an operator.
    void SetShownHook(std::function<void(Tnagscreen&)> hook) { m_shownHook = std::move(hook); }

private:
    QLabel* m_text;
    QCheckBox* m_checkBox;
    QLineEdit* m_password;
    QString m_enteredPassword;
    std::function<void(Tnagscreen&)> m_shownHook;
};
