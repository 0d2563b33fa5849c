#include "app/procedures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "app/qt_ui_hooks.h"
#include "formats/archive_writers.h"
#include "platform/paths.h"
#include "support/fixtures.h"
#include "support/message_box_answerer.h"
#include "support/temp_dir.h"

namespace echodelve::app {
namespace {

using namespace Qt::StringLiterals;

using test::Bytes;
using test::MakeWav;
using test::MessageBoxAnswerer;
using test::ReadBytes;

// The program's hooks, also noting what the progress window and the program
// state show each time the dispatcher lets events run.
class ObservingHooks : public QtUiHooks {
  public:
    ObservingHooks(ui::frmMain& main, const Procedures*& procedures)
        : QtUiHooks(&main), main_(main), procedures_(procedures) {}

    void PumpEvents() override {
        if (procedures_ != nullptr && procedures_->Working() != nullptr) {
            captions.push_back(procedures_->Working()->percent->text());
            fileissfxSeen.push_back(main_.Getfileissfx());
        }
        if (onPump) {
            onPump();
        }
        QtUiHooks::PumpEvents();
    }

    QStringList captions;
    std::vector<bool> fileissfxSeen;
    std::function<void()> onPump;  // what a user does while events run

  private:
    ui::frmMain& main_;
    const Procedures*& procedures_;
};

class ProceduresTest : public ::testing::Test {
  protected:
    ProceduresTest() { observed = &procedures; }

    QString Sfx(const std::string& name, std::vector<std::size_t> sizes) {
        std::vector<PackMember> members;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            members.push_back(
                PackMember::FromBytes("m", MakeWav(sizes[i], static_cast<std::uint8_t>(i))));
        }
        WriteSfxArchive(dir / name, members);
        return QString::fromStdString((dir / name).string());
    }
    QString Wad(const std::string& name, const std::vector<PackMember>& members) {
        WriteWadArchive(dir / name, members);
        return QString::fromStdString((dir / name).string());
    }
    QStringList Column(int column, int role = Qt::DisplayRole) const {
        QStringList values;
        for (int i = 0; i < main.Port()->topLevelItemCount(); ++i) {
            values << main.Port()->topLevelItem(i)->data(column, role).toString();
        }
        return values;
    }
    QString Folder(const std::string& name) {
        std::filesystem::create_directories(dir / name);
        return QString::fromStdString((dir / name).string()) + QStringLiteral("/");
    }

    test::TempDir dir;
    ui::frmMain main;
    const Procedures* observed = nullptr;
    ObservingHooks hooks{main, observed};
    Procedures procedures{main, hooks};
};

TEST_F(ProceduresTest, ListingCountsUpAndKeysRowsInCatalogueOrder) {
    const std::map<int, QStringList> expected = {
        {1, {u"100%"_s}},
        {3, {u"33%"_s, u"66%"_s, u"100%"_s}},
        {7, {u"14%"_s, u"28%"_s, u"42%"_s, u"57%"_s, u"71%"_s, u"85%"_s, u"100%"_s}},
        {9,
         {u"11%"_s, u"22%"_s, u"33%"_s, u"44%"_s, u"55%"_s, u"66%"_s, u"77%"_s, u"88%"_s,
          u"100%"_s}},
    };
    for (const auto& [count, captions] : expected) {
        hooks.captions.clear();
        const QString archive = Sfx(QStringLiteral("n%1.sfx").arg(count).toStdString(),
                                    std::vector<std::size_t>(static_cast<std::size_t>(count), 100));
        procedures.RunProcedure(QStringLiteral("sfxfile"), archive, 0);
        EXPECT_EQ(hooks.captions, captions) << count;
        ASSERT_EQ(main.Port()->topLevelItemCount(), count);
        EXPECT_EQ(Column(0, ui::kRowKeyRole).front(), QStringLiteral("a1"));
        EXPECT_EQ(Column(0, ui::kRowKeyRole).back(), QStringLiteral("a") + QString::number(count));
        EXPECT_EQ(procedures.Working(), nullptr);
        EXPECT_FALSE(main.Port()->isHidden());
    }
}

TEST_F(ProceduresTest, SecondListingReplacesTheFirstAndSetsTheKindOnlyAtTheEnd) {
    const QString wad = Wad("w.wad", {PackMember::FromBytes("door.wav", MakeWav(100)),
                                      PackMember::FromBytes("bell.wav", MakeWav(2000)),
                                      PackMember::FromBytes("\x01odd.wav", MakeWav(60))});
    procedures.RunProcedure(QStringLiteral("wadfile"), wad, 0);
    EXPECT_EQ(Column(0), (QStringList{u"door.wav"_s, u"bell.wav"_s, u"\x01odd.wav"_s}));
    EXPECT_EQ(Column(1), (QStringList{u"100"_s, u"2000"_s, u"60"_s}));
    EXPECT_FALSE(main.Getfileissfx());

    hooks.fileissfxSeen.clear();
    const QString sfx = Sfx("two.sfx", {300, 699});
    procedures.RunProcedure(QStringLiteral("sfxfile"), sfx, 0);
    EXPECT_EQ(Column(0), (QStringList{u"edsnd001.wav"_s, u"edsnd002.wav"_s}));
    EXPECT_EQ(Column(0, ui::kRowKeyRole), (QStringList{u"a1"_s, u"a2"_s}));
    EXPECT_EQ(hooks.fileissfxSeen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(main.Getfileissfx());
    EXPECT_EQ(main.Status()->text(), QStringLiteral("2 Files  999 Bytes"));
}

TEST_F(ProceduresTest, SummaryGroupsTheArchiveSize) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("big.sfx", {1234567}), 0);
    const QString separator = QLocale::system().groupSeparator();
    EXPECT_EQ(main.Status()->text(), QStringLiteral("1 Files  1") + separator + u"234"_s +
                                         separator + QStringLiteral("567 Bytes"));
}

TEST_F(ProceduresTest, EmptyArchiveFailsAfterEmptyingTheListAndKeepsKindAndSummary) {
    procedures.RunProcedure(QStringLiteral("wadfile"),
                            Wad("w.wad", {PackMember::FromBytes("a.wav", MakeWav(64))}), 0);
    const QString summary = main.Status()->text();
    test::WriteBytes(dir / "empty.sfx", {});
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("sfxfile"),
                            QString::fromStdString((dir / "empty.sfx").string()), 0);

    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    EXPECT_EQ(answerer.seen[0].text, QStringLiteral("The archive holds no sounds."));
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(answerer.seen[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(main.Port()->topLevelItemCount(), 0);
    EXPECT_TRUE(main.Port()->isHidden());
    EXPECT_FALSE(main.Getfileissfx());
    EXPECT_EQ(main.Status()->text(), summary);
    EXPECT_EQ(procedures.Working(), nullptr);
}

TEST_F(ProceduresTest, FailedDecodeLeavesRowsSummaryAndKindUntouched) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("one.sfx", {100}), 0);
    const QString summary = main.Status()->text();
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("sfxfile"),
                            QString::fromStdString((dir / "gone.sfx").string()), 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("does not exist")));
    EXPECT_EQ(answerer.seen[0].format, Qt::PlainText);
    EXPECT_EQ(Column(0), QStringList{u"edsnd001.wav"_s});
    EXPECT_FALSE(main.Port()->isHidden());
    EXPECT_EQ(main.Status()->text(), summary);
    EXPECT_TRUE(main.Getfileissfx());
}

TEST_F(ProceduresTest, FailedOpenOfTheSameKindLeavesTheListedArchiveToSave) {
    const QString listed = Wad("a.wad", {PackMember::FromBytes("one.wav", MakeWav(100, 1)),
                                         PackMember::FromBytes("two.wav", MakeWav(120, 2))});
    procedures.RunProcedure(QStringLiteral("wadfile"), listed, 0);
    {
        // A folder is no archive: the open fails before anything changes.
        MessageBoxAnswerer answerer;
        procedures.RunProcedure(QStringLiteral("wadfile"), Folder("not-an-archive"), 0);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("a folder, not a file")));
    }
    procedures.RunProcedure(QStringLiteral("saveallfile"), Folder("all"), 0);
    EXPECT_EQ(test::FileNames(dir / "all"), (std::vector<std::string>{"one.wav", "two.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "one.wav"), MakeWav(100, 1));
    EXPECT_EQ(ReadBytes(dir / "all" / "two.wav"), MakeWav(120, 2));
}

TEST_F(ProceduresTest, WhileAProcedureRunsASecondOneAndInputToTheWindowAreRefused) {
    main.show();
    const QString first = Sfx("first.sfx", {100, 100, 100});
    const QString second = Sfx("second.sfx", {60});
    procedures.RunProcedure(QStringLiteral("sfxfile"), second, 0);
    QSignalSpy doubleClicks(main.Port(), &ui::SoundList::DblClick);
    std::vector<bool> runningSeen;
    hooks.onPump = [&] {
        runningSeen.push_back(main.ProcedureRunning());
        procedures.RunProcedure(QStringLiteral("sfxfile"), second, 0);
        QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    };
    procedures.RunProcedure(QStringLiteral("sfxfile"), first, 0);
    hooks.onPump = nullptr;

    EXPECT_EQ(runningSeen, std::vector<bool>(runningSeen.size(), true));
    EXPECT_GE(runningSeen.size(), 3u);
    EXPECT_EQ(Column(0), (QStringList{u"edsnd001.wav"_s, u"edsnd002.wav"_s, u"edsnd003.wav"_s}));
    EXPECT_EQ(procedures.Decoder(ArchiveKind::Sfx).Catalogue().ArchivePath(),
              platform::ToFsPath(first));
    EXPECT_EQ(doubleClicks.count(), 0);
    EXPECT_FALSE(main.ProcedureRunning());
    QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_EQ(doubleClicks.count(), 1);
}

TEST_F(ProceduresTest, WadWarningIsAMessageAndTheListingGoesOn) {
    Bytes bytes = test::WadRecord("a.wav", 10, 1000);
    test::WriteBytes(dir / "odd.wad", bytes);
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("wadfile"),
                            QString::fromStdString((dir / "odd.wad").string()), 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Warning"));
    EXPECT_TRUE(answerer.seen[0].text.startsWith(QStringLiteral("Error On Open, Header Size")));
    EXPECT_EQ(Column(0), QStringList{u"a.wav"_s});
}

TEST_F(ProceduresTest, UnknownProcedureDoesNothing) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("one.sfx", {100}), 0);
    MessageBoxAnswerer answerer;
    for (const char* code : {"SFXFILE", "", "saveall", "sfxfile "}) {
        procedures.RunProcedure(QString::fromLatin1(code), Sfx("two.sfx", {100, 100}), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_EQ(main.Port()->topLevelItemCount(), 1);
}

TEST_F(ProceduresTest, SaveWritesTheSoundAndEnablesTheFileList) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("s.sfx", {100, 200}), 0);
    main.FileList()->setEnabled(false);
    const QString target = Folder("out") + QStringLiteral("edsnd002.wav");
    test::WriteBytes(dir / "out" / "edsnd002.wav", {'o', 'l', 'd'});
    procedures.RunProcedure(QStringLiteral("savefile"), target, 2);
    EXPECT_EQ(ReadBytes(dir / "out" / "edsnd002.wav"), MakeWav(200, 1));
    EXPECT_TRUE(main.FileList()->isEnabled());
}

TEST_F(ProceduresTest, SaveAllWritesEverySoundAskingOncePerNonRiffSound) {
    Bytes odd = MakeWav(80, 7);
    odd[0] = 'X';
    const QString wad = Wad("w.wad", {PackMember::FromBytes("door.wav", MakeWav(100, 1)),
                                      PackMember::FromBytes("odd.wav", odd),
                                      PackMember::FromBytes("door.wav", MakeWav(120, 2)),
                                      PackMember::FromBytes("../x.wav", MakeWav(90, 3))});
    procedures.RunProcedure(QStringLiteral("wadfile"), wad, 0);
    main.FileList()->setEnabled(false);
    hooks.captions.clear();
    MessageBoxAnswerer answerer({QMessageBox::No});
    procedures.RunProcedure(QStringLiteral("saveallfile"), Folder("all"), 0);

    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Warning"));
    EXPECT_EQ(answerer.seen[0].text,
              QStringLiteral(
                  "File is blank or it is not WAV format, and may be unplayable. Save Anyways?"));
    EXPECT_EQ(answerer.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answerer.seen[0].format, Qt::PlainText);
    EXPECT_EQ(hooks.captions, (QStringList{u"25%"_s, u"50%"_s, u"75%"_s, u"100%"_s}));
    EXPECT_EQ(test::FileNames(dir / "all"),
              (std::vector<std::string>{".._x.wav", "door (2).wav", "door.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "door.wav"), MakeWav(100, 1));
    EXPECT_EQ(ReadBytes(dir / "all" / "door (2).wav"), MakeWav(120, 2));
    EXPECT_TRUE(main.FileList()->isEnabled());
    EXPECT_EQ(procedures.Working(), nullptr);
}

TEST_F(ProceduresTest, FailureInTheMiddleOfSaveAllKeepsWhatWasWritten) {
    const QString wad = Wad("w.wad", {PackMember::FromBytes("one.wav", MakeWav(64, 1)),
                                      PackMember::FromBytes("two.wav", MakeWav(64, 2)),
                                      PackMember::FromBytes("three.wav", MakeWav(64, 3))});
    procedures.RunProcedure(QStringLiteral("wadfile"), wad, 0);
    ASSERT_EQ(main.Port()->topLevelItemCount(), 3);

    // A folder standing where the second sound would go: that write fails.
    const QString all = Folder("all");
    std::filesystem::create_directories(dir / "all" / "two.wav");
    main.FileList()->setEnabled(false);
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("saveallfile"), all, 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("two.wav")));
    EXPECT_EQ(ReadBytes(dir / "all" / "one.wav"), MakeWav(64, 1));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "all" / "two.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir / "all" / "three.wav"));
    EXPECT_FALSE(main.FileList()->isEnabled());
    EXPECT_EQ(procedures.Working(), nullptr);

    // The next run starts its progress window from the beginning.
    hooks.captions.clear();
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("one.sfx", {100}), 0);
    EXPECT_EQ(hooks.captions, QStringList{u"100%"_s});
}

TEST_F(ProceduresTest, SaveAllLeavesOutImpossibleSoundsAndNamesThemOnceAtTheEnd) {
    // a.wav; b.wav claims 50 MB of a 2 KB archive; c.wav; d.wav declares a
    // negative size; e.wav a negative offset; f.wav.
    const std::vector<std::tuple<std::string, std::uint32_t, std::uint32_t>> records = {
        {"a.wav", 64, 1608},         {"b.wav", 50000000, 1672}, {"c.wav", 64, 1672},
        {"d.wav", 0xFFFFFFF0, 1672}, {"e.wav", 64, 0xFFFFFF00}, {"f.wav", 64, 1736}};
    Bytes bytes;
    for (const auto& [name, size, offset] : records) {
        const Bytes record = test::WadRecord(name, size, offset);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    for (const int seed : {1, 3, 6}) {
        const Bytes wav = MakeWav(64, static_cast<std::uint8_t>(seed));
        bytes.insert(bytes.end(), wav.begin(), wav.end());
    }
    test::WriteBytes(dir / "damaged.wad", bytes);
    procedures.RunProcedure(QStringLiteral("wadfile"),
                            QString::fromStdString((dir / "damaged.wad").string()), 0);
    ASSERT_EQ(main.Port()->topLevelItemCount(), 6);

    hooks.captions.clear();
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("saveallfile"), Folder("all"), 0);
    EXPECT_EQ(test::FileNames(dir / "all"), (std::vector<std::string>{"a.wav", "c.wav", "f.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "c.wav"), MakeWav(64, 3));
    EXPECT_EQ(hooks.captions.size(), 6);  // every sound advances the progress
    ASSERT_EQ(answerer.seen.size(), 1u);  // after the run, one message for all
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    const QStringList lines = answerer.seen[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 4) << answerer.seen[0].text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("3 sounds were not saved:"));
    EXPECT_TRUE(lines[1].startsWith(u"b.wav: "_s) &&
                lines[1].contains(u"more than the whole archive"_s));
    EXPECT_TRUE(lines[2].startsWith(u"d.wav: "_s) && lines[2].contains(u"negative size"_s));
    EXPECT_TRUE(lines[3].startsWith(u"e.wav: "_s) && lines[3].contains(u"negative offset"_s));
    EXPECT_EQ(procedures.Working(), nullptr);
    EXPECT_TRUE(main.FileList()->isEnabled());
}

TEST(NotSavedMessageTest, NamesTenAndCountsTheRest) {
    const auto reasons = [](int count) {
        QStringList list;
        for (int i = 1; i <= count; ++i) {
            list << QStringLiteral("s%1.wav: why").arg(i);
        }
        return list;
    };
    const struct {
        int count;
        QString first;
        int lines;
        QString last;
    } cases[] = {
        {1, u"1 sound was not saved:"_s, 2, u"s1.wav: why"_s},
        {10, u"10 sounds were not saved:"_s, 11, u"s10.wav: why"_s},
        {11, u"11 sounds were not saved:"_s, 12, u"... and 1 more."_s},
        {1000, u"1000 sounds were not saved:"_s, 12, u"... and 990 more."_s},
    };
    for (const auto& c : cases) {
        const QStringList lines = NotSavedMessage(reasons(c.count)).split(u'\n');
        EXPECT_EQ(lines.front(), c.first) << c.count;
        EXPECT_EQ(lines.size(), c.lines) << c.count;
        EXPECT_EQ(lines.back(), c.last) << c.count;
    }
}

}  // namespace
}  // namespace echodelve::app
