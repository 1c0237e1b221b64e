#include "ImageFixture.h"
#include "core/commands/ImageEdits.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/IdLocations.h"

namespace {
QList<int> Selections(const ConfigWord& word)
{
    QList<int> selected;
    for (const ConfigField& field : word.fields)
        selected << field.selected;
    return selected;
}
} // namespace

class TestConfigurationWords : public QObject
{
    Q_OBJECT
private slots:
    void DecodeFillsUncoveredBitsAndFallsBackToFirstOption()
    {
        ImageFixture f;
        f.LoadDevice("16F877A"); // fields leave bits 4, 5 and 12 uncovered
        DecodeConfigWord(f.ctx, 0x3F21, 0);
        QCOMPARE(f.ctx.Profile().words[0].value, quint16(0x3F31));
        // Bits above the 14-bit core width are ignored.
        DecodeConfigWord(f.ctx, 0xFF72, 0);
        QCOMPARE(f.ctx.Profile().words[0].value, quint16(0x3F72));

        // A value matching none of a field's options selects the first, whose bits are composed.
        ConfigField odd;
        odd.name = "ODD";
        odd.options = {{0x3FEF, "A"}, {0x3FFF, "B"}, {0x3FCF, "C"}}; // bits 5:4, no option 01
        f.ctx.Profile().words[0].fields = {odd};
        DecodeConfigWord(f.ctx, 0x3FDF, 0); // bits 5:4 = 01: no option has it
        QCOMPARE(f.ctx.Profile().words[0].fields[0].selected, 0);
        QCOMPARE(f.ctx.Profile().words[0].value, quint16(0x3FEF));
    }

    // Every option of every field composes to a word that decodes back to the same selections.
    void ComposeDecodeRoundTrip_data()
    {
        QTest::addColumn<QString>("mcu");
        for (const char* mcu : {"16F877A", "12F508", "18F252", "16F88"})
            QTest::newRow(mcu) << mcu;
    }
    void ComposeDecodeRoundTrip()
    {
        QFETCH(QString, mcu);
        ImageFixture f;
        f.LoadDevice(mcu);
        DeviceProfile& p = f.ctx.Profile();
        int checked = 0;
        for (int w = 0; w < p.cfgWords; ++w) {
            ConfigWord& word = p.words[w];
            for (size_t fi = 0; fi < word.fields.size(); ++fi) {
                for (size_t oi = 0; oi < word.fields[fi].options.size(); ++oi) {
                    for (ConfigField& field : word.fields)
                        field.selected = 0;
                    word.fields[fi].selected = int(oi);
                    const QList<int> chosen = Selections(word);
                    p.selectedWord = w;
                    ComposeSelectedWord(f.ctx);
                    const quint16 composed = f.ctx.Image().ConfigWords()[w];
                    QCOMPARE(composed, word.value);
                    DecodeConfigWord(f.ctx, composed, w);
                    QCOMPARE(Selections(word), chosen);
                    QCOMPARE(word.value, composed);
                    ++checked;
                }
            }
        }
        QVERIFY(checked >= 8);
    }

    void SelectedWordTexts()
    {
        QCOMPARE(SelectedWordHexText(0x3FF1), QStringLiteral("High: 3F  Low: F1"));
        QCOMPARE(SelectedWordBinaryText(0x3FF1, CoreFamily::CoreXX), QStringLiteral("111111:11110001"));
        QCOMPARE(SelectedWordBinaryText(0x0FEA, CoreFamily::Core5X), QStringLiteral("1111:11101010"));
        QCOMPARE(SelectedWordBinaryText(0xFA0F, CoreFamily::Core18X), QStringLiteral("11111010:00001111"));
        QCOMPARE(SelectedWordBinaryText(0x0001, CoreFamily::Unknown).size(), 17);
    }

    void FuseSummaryLayout()
    {
        ImageFixture f;
        f.LoadDevice("16F877A");
        f.ctx.Flags().ProgramReady = true;
        f.ctx.File().hexPath = "/boards/a.hex";
        f.ctx.Image().ConfigWords()[0] = 0x3F72;
        DecodeConfigWord(f.ctx, 0x3F72, 0);
        ShowFuseSummary(f.ctx);
        const QStringList lines = f.ctx.Window().FuseSummaryText().split(u'\n');
        QCOMPARE(lines.mid(0, 3), (QStringList{"--------------------------", "Configuration 1: 0x3F72 - [3F72]",
                                               "--------------------------"}));
        QVERIFY(lines.contains(" FOSC      HS               [3FFE]"));
        QVERIFY(lines.contains(" WDTE      OFF              [3FFB]"));
        QCOMPARE(lines.last(), QStringLiteral(" "));
        QCOMPARE(lines.size(), 3 + 9 + 1);
        QCOMPARE(f.ctx.Image().Display().InformationCaption(), QStringLiteral("Information - /boards/a.hex"));
        QVERIFY(f.ctx.Image().Display().InformationText().startsWith(f.ctx.Window().FuseSummaryText()));

        // Nothing is shown before start-up has completed.
        ImageFixture early;
        early.LoadDevice("16F877A");
        ShowFuseSummary(early.ctx);
        QVERIFY(early.ctx.Window().FuseSummaryText().isEmpty());
    }

    void ExtraCalibrationChoice()
    {
        ImageFixture f;
        f.LoadDevice("12F675"); // choices BG00..BG11 = 0FFF, 1FFF, 2FFF, 3FFF
        DecodeXcal(f.ctx, 0x2000, 1);
        QCOMPARE(f.ctx.Image().Calibration(1).xcalChoice, 2);
        QCOMPARE(f.ctx.Image().Calibration(1).xcalValue, quint16(0x2FFF));
        DecodeXcal(f.ctx, 0x1234, 0);
        QCOMPARE(f.ctx.Image().Calibration(0).xcalChoice, 1);
        QCOMPARE(f.ctx.Image().Display().ShownXcalChoice(), 1);
        DecodeXcal(f.ctx, 0x4000, 2); // 0x4FFF: no choice
        QCOMPARE(f.ctx.Image().Calibration(2).xcalChoice, 0);
        QCOMPARE(f.ctx.Image().Calibration(2).xcalValue, quint16(0x0FFF));
    }

    void IdDisplayForms()
    {
        const std::array<quint16, 4> words{0x3F52, 0x000A, 0x0041, 0x007F};
        QCOMPARE(IdHex4Text(words), QStringLiteral("2A1F"));
        QCOMPARE(IdHex7Text(words), QStringLiteral("520A417F"));
        QCOMPARE(IdAsciiText(words), QStringLiteral("R0A0")); // 0x0A and 0x7F are outside '0'..'z'

        ImageFixture f;
        f.LoadDevice("18F252");
        f.ctx.Image().IdWords() = {0xF81, 0xF82, 0xF83, 0xF84, 0xF85, 0xF86, 0xF87, 0xF88};
        ShowIdWords(f.ctx);
        QCOMPARE(f.ctx.Image().Display().IdText(ImageDisplayState::IdHex4), QStringLiteral("12345678"));
        QCOMPARE(f.ctx.Image().Display().IdText(ImageDisplayState::IdHex7).size(), 16);
        QVERIFY(!f.ctx.Image().Display().IdUpdateRunning());
    }

    void ParseIdEdit_data()
    {
        QTest::addColumn<int>("form"); // the option selecting it
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("words");
        QTest::newRow("4-bit, padded with code 0") << 69 << "A" << QList<int>{0xFF8A, 0xFF80, 0xFF80, 0xFF80};
        QTest::newRow("4-bit, lower case hex") << 69 << "1b2c" << QList<int>{0xFF81, 0xFF8B, 0xFF82, 0xFF8C};
        QTest::newRow("4-bit, cut at four") << 69 << "123456" << QList<int>{0xFF81, 0xFF82, 0xFF83, 0xFF84};
        QTest::newRow("7-bit pairs") << 79 << "52A17" << QList<int>{0xFFD2, 0xFFA1, 0xFFF0, 0xFF80};
        QTest::newRow("ASCII raised to !") << 68 << "R" << QList<int>{0xFFD2, 0xFFA1, 0xFFA1, 0xFFA1};
    }
    void ParseIdEdit()
    {
        QFETCH(int, form);
        QFETCH(QString, text);
        QFETCH(QList<int>, words);
        ImageFixture f;
        f.LoadDevice("16F877A");
        f.ctx.Flags().ProgramReady = true;
        f.ctx.Options().SetValue(form, true);
        ::ParseIdEdit(f.ctx, text);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(f.ctx.Image().IdWords()[i], quint16(words[i]));
        QVERIFY(f.ctx.Flags().SettingsDirty);
        // The boxes now show the parsed words.
        QCOMPARE(f.ctx.Image().Display().IdText(ImageDisplayState::IdHex7),
                 IdHex7Text(std::span<const quint16>(f.ctx.Image().IdWords()).first(4)));
    }

    void ParseIdEditDoesNothingWithoutFormOrWhileShowing()
    {
        ImageFixture f;
        f.LoadDevice("16F877A");
        f.ctx.Image().IdWords()[0] = 0x1111;
        ::ParseIdEdit(f.ctx, "A");
        QCOMPARE(f.ctx.Image().IdWords()[0], quint16(0x1111));
        f.ctx.Options().SetValue(69, true);
        f.ctx.Image().Display().SetIdUpdateRunning(true);
        ::ParseIdEdit(f.ctx, "A");
        QCOMPARE(f.ctx.Image().IdWords()[0], quint16(0x1111));
        QVERIFY(!f.ctx.Flags().SettingsDirty);
    }
};

QTEST_GUILESS_MAIN(TestConfigurationWords)
#include "TestConfigurationWords.moc"
