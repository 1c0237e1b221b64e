#include "gui/app/GuiOperator.h"

#include "core/context/OperatorInterface.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {
// Runs answer on the modal dialog that the next call opens, so the call returns instead of
// waiting for a person. The dialog is looked for until it appears.
void AnswerNextDialog(std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start();
}

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Records what the box shows, then clicks the button with the given caption, or presses Escape
// when none is given.
void AnswerBox(SeenBox& seen, const QString& click)
{
    AnswerNextDialog([&seen, click](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box);
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text().remove(u'&');
        seen.buttons.sort();
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text().remove(u'&');
        if (click.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove(u'&') == click)
                button->click();
    });
}
} // namespace

class TestGuiOperator : public QObject
{
    Q_OBJECT
private slots:
    void ButtonsAndAnswers_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<QString>("click");
        QTest::addColumn<QStringList>("shownButtons");
        QTest::addColumn<QString>("shownDefault");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(OkButton) << int(OkButton) << "OK" << QStringList{"OK"} << "OK" << int(OkButton);
        QTest::newRow("ok cancel, cancel clicked") << (OkButton | CancelButton) << int(OkButton) << "Cancel"
                                                   << QStringList{"Cancel", "OK"} << "OK" << int(CancelButton);
        QTest::newRow("yes no, no is default") << (YesButton | NoButtonAnswer) << int(NoButtonAnswer) << "Yes"
                                               << QStringList{"No", "Yes"} << "No" << int(YesButton);
        QTest::newRow("yes no, escape") << (YesButton | NoButtonAnswer) << int(YesButton) << ""
                                        << QStringList{"No", "Yes"} << "Yes" << int(NoButtonAnswer);
        QTest::newRow("retry cancel") << (RetryButton | CancelButton) << int(RetryButton) << "Retry"
                                      << QStringList{"Cancel", "Retry"} << "Retry" << int(RetryButton);
        QTest::newRow("abort retry ignore")
            << (AbortButton | RetryButton | IgnoreButton) << int(IgnoreButton) << "Ignore"
            << QStringList{"Abort", "Ignore", "Retry"} << "Ignore" << int(IgnoreButton);
        QTest::newRow("abort retry ignore, abort")
            << (AbortButton | RetryButton | IgnoreButton) << int(RetryButton) << "Abort"
            << QStringList{"Abort", "Ignore", "Retry"} << "Retry" << int(AbortButton);
    }
    void ButtonsAndAnswers()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        QFETCH(QString, click);
        QFETCH(QStringList, shownButtons);
        QFETCH(QString, shownDefault);
        QFETCH(int, answer);

        GuiOperator op;
        MessageRequest request;
        request.caption = QStringLiteral("File Error");
        request.text = QStringLiteral("First line\rSecond line");
        request.icon = BoxIcon::Question;
        request.buttons = buttons;
        request.defaultButton = BoxButton(defaultButton);
        SeenBox seen;
        AnswerBox(seen, click);
        QCOMPARE(int(op.ShowMessage(request)), answer);
        QCOMPARE(seen.caption, QStringLiteral("File Error"));
        QCOMPARE(seen.text, QStringLiteral("First line\nSecond line"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, shownButtons);
        QCOMPARE(seen.defaultButton, shownDefault);
    }

    void IconsOfTheConveniences()
    {
        GuiOperator op;
        SeenBox error;
        AnswerBox(error, QStringLiteral("OK"));
        op.ShowError(QStringLiteral("Table File Error"), QStringLiteral("Bad line"));
        QCOMPARE(error.icon, QMessageBox::Critical);
        QCOMPARE(error.caption, QStringLiteral("Table File Error"));

        SeenBox warning;
        AnswerBox(warning, QStringLiteral("OK"));
        op.ShowWarning(QStringLiteral("Caption"), QStringLiteral("Careful"));
        QCOMPARE(warning.icon, QMessageBox::Warning);

        SeenBox information;
        AnswerBox(information, QStringLiteral("OK"));
        op.ShowInformation(QStringLiteral("Caption"), QStringLiteral("Saved"));
        QCOMPARE(information.icon, QMessageBox::Information);
    }

    void AskText()
    {
        GuiOperator op;
        QString value = QStringLiteral("1000");
        QString prompt;
        AnswerNextDialog([&prompt](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input);
            prompt = input->labelText();
            QCOMPARE(input->textValue(), QStringLiteral("1000"));
            input->setTextValue(QStringLiteral("2000"));
            input->accept();
        });
        QVERIFY(op.AskText(QStringLiteral("Serial Number"), QStringLiteral("Start at:\rdecimal"), value));
        QCOMPARE(value, QStringLiteral("2000"));
        QCOMPARE(prompt, QStringLiteral("Start at:\ndecimal"));

        AnswerNextDialog([](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input);
            input->setTextValue(QStringLiteral("3000"));
            input->reject();
        });
        QVERIFY(!op.AskText(QStringLiteral("Serial Number"), QStringLiteral("Start at:"), value));
        QCOMPARE(value, QStringLiteral("2000"));
    }

    // The password notice offers the text typed last time, until the caller clears it.
    void PasswordNoticeKeepsTheTextUntilCleared()
    {
        GuiOperator op;
        QString entered;
        NoticeRequest request;
        request.title = QStringLiteral("Notice - Password Required");
        request.passwordMode = true;
        request.password = &entered;
        QStringList offered;
        const auto answer = [&offered](const QString& typed) {
            AnswerNextDialog([&offered, typed](QWidget* dialog) {
                auto* password = dialog->findChild<QLineEdit*>();
                QVERIFY(password);
                offered << password->text();
                password->setText(typed);
                QTest::keyClick(password, Qt::Key_Return);
            });
        };
        answer(QStringLiteral("guess"));
        op.ShowNotice(request);
        QCOMPARE(entered, QStringLiteral("guess"));
        answer(QStringLiteral("guess2"));
        op.ShowNotice(request);
        entered.clear();
        answer(QString());
        op.ShowNotice(request);
        QCOMPARE(offered, (QStringList{QString(), QStringLiteral("guess"), QString()}));
    }
};

QTEST_MAIN(TestGuiOperator)
#include "TestGuiOperator.moc"
