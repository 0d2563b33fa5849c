#include "app/procedures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "app/qt_ui_hooks.h"
#include "formats/archive_writers.h"
#include "platform/developer_log.h"
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

// The program's hooks, with no window: noting what the state shows each
// time the dispatcher lets events run.
class ObservingHooks : public QtUiHooks {
  public:
    explicit ObservingHooks(const ProgramState& state) : QtUiHooks(nullptr), state_(state) {}

    void PumpEvents() override {
        if (state_.InProgress()) {  // the decode pumps too, before the listing
            fileissfxSeen.push_back(state_.fileissfx());
            busySeen.push_back(state_.Busy());
        }
        if (onPump) {
            onPump();
        }
        QtUiHooks::PumpEvents();
    }

    std::vector<bool> fileissfxSeen;
    std::vector<bool> busySeen;
    std::function<void()> onPump;  // what a user does while events run

  private:
    const ProgramState& state_;
};

class ProceduresTest : public ::testing::Test {
  protected:
    ProceduresTest() {
        QObject::connect(&state, &ProgramState::ProgressChanged,
                         [this](float /*value*/, const QString& caption) { captions << caption; });
        QObject::connect(&state, &ProgramState::SoundsShown, [this](bool on) { shown = on; });
        QObject::connect(&state, &ProgramState::Saved, [this] { ++saves; });
    }

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
    QStringList Names() const {
        QStringList names;
        for (const ListedSound& sound : state.Sounds()) {
            names << sound.name;
        }
        return names;
    }
    QString Folder(const std::string& name) {
        std::filesystem::create_directories(dir / name);
        return QString::fromStdString((dir / name).string()) + QStringLiteral("/");
    }

    test::TempDir dir;
    ProgramState state;
    ObservingHooks hooks{state};
    Procedures procedures{state, hooks};
    QStringList captions;  // the progress window's, in order
    bool shown = true;     // whether the list is in view
    int saves = 0;         // saves that ended, each showing the file list anew
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
    for (const auto& [count, shownCaptions] : expected) {
        captions.clear();
        const QString archive = Sfx(QStringLiteral("n%1.sfx").arg(count).toStdString(),
                                    std::vector<std::size_t>(static_cast<std::size_t>(count), 100));
        procedures.RunProcedure(QStringLiteral("sfxfile"), archive, 0);
        EXPECT_EQ(captions, shownCaptions) << count;
        ASSERT_EQ(state.SoundCount(), count);
        EXPECT_EQ(state.Sounds().front().number, 1);
        EXPECT_EQ(state.Sounds().back().number, count);
        EXPECT_FALSE(state.InProgress());
        EXPECT_TRUE(shown);
    }
}

TEST_F(ProceduresTest, SecondListingReplacesTheFirstAndSetsTheKindOnlyAtTheEnd) {
    const QString wad = Wad("w.wad", {PackMember::FromBytes("door.wav", MakeWav(100)),
                                      PackMember::FromBytes("bell.wav", MakeWav(2000)),
                                      PackMember::FromBytes("\x01odd.wav", MakeWav(60))});
    procedures.RunProcedure(QStringLiteral("wadfile"), wad, 0);
    EXPECT_EQ(Names(), (QStringList{u"door.wav"_s, u"bell.wav"_s, u"\x01odd.wav"_s}));
    EXPECT_EQ(state.Sounds()[1].size, 2000);
    EXPECT_FALSE(state.fileissfx());

    hooks.fileissfxSeen.clear();
    const QString sfx = Sfx("two.sfx", {300, 699});
    procedures.RunProcedure(QStringLiteral("sfxfile"), sfx, 0);
    EXPECT_EQ(Names(), (QStringList{u"edsnd001.wav"_s, u"edsnd002.wav"_s}));
    EXPECT_EQ(hooks.fileissfxSeen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(state.fileissfx());
    EXPECT_EQ(state.Summary(), QStringLiteral("2 Files  999 Bytes"));
}

TEST_F(ProceduresTest, SummaryGroupsTheArchiveSize) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("big.sfx", {1234567}), 0);
    const QString separator = QLocale::system().groupSeparator();
    EXPECT_EQ(state.Summary(), QStringLiteral("1 Files  1") + separator + u"234"_s + separator +
                                   QStringLiteral("567 Bytes"));
}

TEST_F(ProceduresTest, EmptyArchiveFailsAfterEmptyingTheListAndKeepsKindAndSummary) {
    procedures.RunProcedure(QStringLiteral("wadfile"),
                            Wad("w.wad", {PackMember::FromBytes("a.wav", MakeWav(64))}), 0);
    const QString summary = state.Summary();
    test::WriteBytes(dir / "empty.sfx", {});
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("sfxfile"),
                            QString::fromStdString((dir / "empty.sfx").string()), 0);

    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    EXPECT_EQ(answerer.seen[0].text, QStringLiteral("The archive holds no sounds."));
    EXPECT_EQ(answerer.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(answerer.seen[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(state.SoundCount(), 0);
    EXPECT_FALSE(shown);
    EXPECT_FALSE(state.fileissfx());
    EXPECT_EQ(state.Summary(), summary);
    EXPECT_FALSE(state.InProgress());
}

TEST_F(ProceduresTest, FailedDecodeLeavesRowsSummaryAndKindUntouched) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("one.sfx", {100}), 0);
    const QString summary = state.Summary();
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("sfxfile"),
                            QString::fromStdString((dir / "gone.sfx").string()), 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("does not exist")));
    EXPECT_EQ(answerer.seen[0].format, Qt::PlainText);
    EXPECT_EQ(Names(), QStringList{u"edsnd001.wav"_s});
    EXPECT_TRUE(shown);
    EXPECT_EQ(state.Summary(), summary);
    EXPECT_TRUE(state.fileissfx());
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

TEST_F(ProceduresTest, WhileAProcedureRunsTheStateIsBusyAndASecondOneIsRefused) {
    const QString first = Sfx("first.sfx", {100, 100, 100});
    const QString second = Sfx("second.sfx", {60});
    std::vector<bool> busyChanges;
    QObject::connect(&state, &ProgramState::BusyChanged,
                     [&](bool busy) { busyChanges.push_back(busy); });
    hooks.onPump = [&] { procedures.RunProcedure(QStringLiteral("sfxfile"), second, 0); };
    procedures.RunProcedure(QStringLiteral("sfxfile"), first, 0);
    hooks.onPump = nullptr;

    EXPECT_EQ(hooks.busySeen, std::vector<bool>(3, true));
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(state.SoundCount(), 3);
    EXPECT_EQ(procedures.Decoder(ArchiveKind::Sfx).Catalogue().ArchivePath(),
              platform::ToFsPath(first));
    EXPECT_FALSE(state.Busy());
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
    EXPECT_EQ(Names(), QStringList{u"a.wav"_s});
}

TEST_F(ProceduresTest, UnknownProcedureDoesNothing) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("one.sfx", {100}), 0);
    MessageBoxAnswerer answerer;
    for (const char* code : {"SFXFILE", "", "saveall", "sfxfile "}) {
        procedures.RunProcedure(QString::fromLatin1(code), Sfx("two.sfx", {100, 100}), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_EQ(state.SoundCount(), 1);
}

TEST_F(ProceduresTest, SaveWritesTheSoundAndEnablesTheFileList) {
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("s.sfx", {100, 200}), 0);
    const QString target = Folder("out") + QStringLiteral("edsnd002.wav");
    test::WriteBytes(dir / "out" / "edsnd002.wav", {'o', 'l', 'd'});
    procedures.RunProcedure(QStringLiteral("savefile"), target, 2);
    EXPECT_EQ(ReadBytes(dir / "out" / "edsnd002.wav"), MakeWav(200, 1));
    EXPECT_EQ(saves, 1);
}

TEST_F(ProceduresTest, SaveAllWritesEverySoundAskingOncePerNonRiffSound) {
    Bytes odd = MakeWav(80, 7);
    odd[0] = 'X';
    const QString wad = Wad("w.wad", {PackMember::FromBytes("door.wav", MakeWav(100, 1)),
                                      PackMember::FromBytes("odd.wav", odd),
                                      PackMember::FromBytes("door.wav", MakeWav(120, 2)),
                                      PackMember::FromBytes("../x.wav", MakeWav(90, 3))});
    procedures.RunProcedure(QStringLiteral("wadfile"), wad, 0);
    captions.clear();
    MessageBoxAnswerer answerer({QMessageBox::No});
    procedures.RunProcedure(QStringLiteral("saveallfile"), Folder("all"), 0);

    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Warning"));
    EXPECT_EQ(answerer.seen[0].text,
              QStringLiteral(
                  "File is blank or it is not WAV format, and may be unplayable. Save Anyways?"));
    EXPECT_EQ(answerer.seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answerer.seen[0].format, Qt::PlainText);
    EXPECT_EQ(captions, (QStringList{u"25%"_s, u"50%"_s, u"75%"_s, u"100%"_s}));
    EXPECT_EQ(test::FileNames(dir / "all"),
              (std::vector<std::string>{".._x.wav", "door (2).wav", "door.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "door.wav"), MakeWav(100, 1));
    EXPECT_EQ(ReadBytes(dir / "all" / "door (2).wav"), MakeWav(120, 2));
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(state.InProgress());
}

TEST_F(ProceduresTest, FailureInTheMiddleOfSaveAllKeepsWhatWasWritten) {
    const QString wad = Wad("w.wad", {PackMember::FromBytes("one.wav", MakeWav(64, 1)),
                                      PackMember::FromBytes("two.wav", MakeWav(64, 2)),
                                      PackMember::FromBytes("three.wav", MakeWav(64, 3))});
    procedures.RunProcedure(QStringLiteral("wadfile"), wad, 0);
    ASSERT_EQ(state.SoundCount(), 3);

    // A folder standing where the second sound would go: that write fails.
    const QString all = Folder("all");
    std::filesystem::create_directories(dir / "all" / "two.wav");
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("saveallfile"), all, 0);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("two.wav")));
    EXPECT_EQ(ReadBytes(dir / "all" / "one.wav"), MakeWav(64, 1));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "all" / "two.wav"));
    // The pool may have had the sound after the failure under way: whole if there.
    if (std::filesystem::exists(dir / "all" / "three.wav")) {
        EXPECT_EQ(ReadBytes(dir / "all" / "three.wav"), MakeWav(64, 3));
    }
    EXPECT_EQ(test::FileNames(dir / "all").size(),
              std::filesystem::exists(dir / "all" / "three.wav") ? 3U : 2U);
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(state.InProgress());

    // The next run starts its progress window from the beginning.
    captions.clear();
    procedures.RunProcedure(QStringLiteral("sfxfile"), Sfx("one.sfx", {100}), 0);
    EXPECT_EQ(captions, QStringList{u"100%"_s});
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
    ASSERT_EQ(state.SoundCount(), 6);

    captions.clear();
    MessageBoxAnswerer answerer;
    procedures.RunProcedure(QStringLiteral("saveallfile"), Folder("all"), 0);
    EXPECT_EQ(test::FileNames(dir / "all"), (std::vector<std::string>{"a.wav", "c.wav", "f.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "c.wav"), MakeWav(64, 3));
    EXPECT_EQ(captions.size(), 6);        // every sound advances the progress
    ASSERT_EQ(answerer.seen.size(), 1u);  // after the run, one message for all
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    const QStringList lines = answerer.seen[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 4) << answerer.seen[0].text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("3 sounds were not saved:"));
    EXPECT_TRUE(lines[1].startsWith(u"b.wav: "_s) &&
                lines[1].contains(u"more than the whole archive"_s));
    EXPECT_TRUE(lines[2].startsWith(u"d.wav: "_s) && lines[2].contains(u"negative size"_s));
    EXPECT_TRUE(lines[3].startsWith(u"e.wav: "_s) && lines[3].contains(u"negative offset"_s));
    EXPECT_FALSE(state.InProgress());
    EXPECT_EQ(saves, 1);
}

// What the program says for developers, while a test runs.
QStringList detailSaid;  // NOLINT: written by the message handler only

TEST_F(ProceduresTest, DeveloperDetailIsSaidOnlyWhenAskedFor) {
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType /*type*/, const QMessageLogContext& context, const QString& text) {
            if (QLatin1String(context.category) == QLatin1String("echodelve.detail")) {
                detailSaid << text;
            }
        });
    const QString archive = Sfx("one.sfx", {100});
    procedures.RunProcedure(QStringLiteral("sfxfile"), archive, 0);
    EXPECT_TRUE(detailSaid.isEmpty());
    platform::ShowDeveloperDetail(true);
    procedures.RunProcedure(QStringLiteral("sfxfile"), archive, 0);
    platform::ShowDeveloperDetail(false);
    qInstallMessageHandler(before);
    ASSERT_EQ(detailSaid.size(), 1);
    EXPECT_TRUE(detailSaid[0].contains(u"sfxfile\" ran for"_s)) << detailSaid[0].toStdString();
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
