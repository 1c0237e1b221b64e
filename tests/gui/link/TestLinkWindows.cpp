// The notice dialog and the link status window, on the offscreen platform.
#include "core/link/LinkStatus.h"
#include "gui/link/TPXC.h"
#include "gui/link/Tnagscreen.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

class TestLinkWindows : public QObject
{
    Q_OBJECT

private slots:
    void noticeReturnsTheTickHoweverItCloses()
    {
        Tnagscreen notice;
        notice.SetShownHook([](Tnagscreen& n) {
            QVERIFY(n.CheckBox()->isVisible());
            QVERIFY(!n.PasswordBox()->isVisible());
            n.CheckBox()->setChecked(true);
            n.accept();
        });
        QVERIFY(notice.ShowNotice("Notice - Modification Required", "Text & more", false, "I have made it.", false));
        QCOMPARE(notice.windowTitle(), QStringLiteral("Notice - Modification Required"));
        QCOMPARE(notice.TextLabel()->text(), QStringLiteral("Text & more"));

        // The title-bar close answers like OK: the untouched initial tick comes back.
        notice.SetShownHook([](Tnagscreen& n) { n.reject(); });
        QVERIFY(notice.ShowNotice("T", "x", false, "c", true));
        QVERIFY(!notice.ShowNotice("T", "x", false, "c", false));
    }

    void passwordIsKeptUntilCleared()
    {
        Tnagscreen notice;
        notice.SetShownHook([](Tnagscreen& n) {
            QVERIFY(n.PasswordBox()->isVisible());
            QVERIFY(!n.CheckBox()->isVisible());
            QCOMPARE(n.PasswordBox()->echoMode(), QLineEdit::Password);
            QTest::keyClicks(n.PasswordBox(), QStringLiteral("secret"));
            n.accept();
        });
        // The answer in password mode is the initial tick.
        QVERIFY(!notice.ShowNotice("Notice - Password Required", "Enter", true, QString(), false));
        QCOMPARE(notice.EnteredPassword(), QStringLiteral("secret"));

        QString offered;
        notice.SetShownHook([&offered](Tnagscreen& n) {
            offered = n.PasswordBox()->text();
            n.accept();
        });
        QVERIFY(notice.ShowNotice("Notice - Password Required", "Enter", true, QString(), true));
        QCOMPARE(offered, QStringLiteral("secret"));
        notice.ClearEnteredPassword();
        notice.ShowNotice("Notice - Password Required", "Enter", true, QString(), false);
        QCOMPARE(offered, QString());
        QCOMPARE(notice.PasswordBox()->maxLength(), 32);
    }

    void statusWindowFollowsTheLink()
    {
        LinkStatus status;
        TPXC window(status);
        QCOMPARE(window.windowTitle(), QStringLiteral("Checking Communications..."));
        QVERIFY(!window.isVisible());
        status.Show(true, LinkStatus::TestingHighSpeed, false);
        QVERIFY(window.isVisible());
        QVERIFY(window.Animating());
        QCOMPARE(window.StatusText(), QStringLiteral("Testing Higher Transfer Speed ..."));
        status.Show(false, LinkStatus::KeepingNormalSpeed, false);
        QVERIFY(!window.isVisible());
        QVERIFY(!window.Animating());
        QCOMPARE(window.StatusText(), QStringLiteral("Keeping Normal Transfer Speed ... "));
        // Minimised start-up: the text changes but the window stays hidden.
        status.Show(true, LinkStatus::CheckingStatus, true);
        QVERIFY(!window.isVisible());
    }

    void imagesWrapAround()
    {
        LinkStatus status;
        TPXC window(status);
        for (int i = 0; i < 7; ++i)
            window.Tick();
        QCOMPARE(window.FirstX(), 96 + 7 * 28);
        QCOMPARE(window.SecondX(), 124); // not yet below 124
        window.Tick();
        QCOMPARE(window.FirstX(), 320); // not yet past 320
        QCOMPARE(window.SecondX(), 320);
        window.Tick();
        QCOMPARE(window.FirstX(), 96);
        QCOMPARE(window.SecondX(), 320 - 28);
    }

    void animationIntervalAdapts_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<int>("next");
        QTest::newRow("keeping up, short") << 250 << 255 << 200;
        QTest::newRow("keeping up, long") << 900 << 905 << 700;
        QTest::newRow("very late") << 250 << 500 << 1500;
        QTest::newRow("late") << 250 << 400 << 650;
        QTest::newRow("a little late") << 250 << 300 << 450;
    }
    void animationIntervalAdapts()
    {
        QFETCH(int, interval);
        QFETCH(int, elapsed);
        QFETCH(int, next);
        QCOMPARE(LinkStatus::AdaptInterval(interval, elapsed), next);
    }
};

QTEST_MAIN(TestLinkWindows)
#include "TestLinkWindows.moc"
