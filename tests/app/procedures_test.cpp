#include "app/procedures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
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

// The program's hooks without a window; what a user does while events run.
struct PumpingHooks : QtUiHooks {
    PumpingHooks() : QtUiHooks(nullptr) {}
    void PumpEvents() override {
        onPump();
        QtUiHooks::PumpEvents();
    }
    std::function<void()> onPump;
};

PackMember Sound(const std::string& name, std::size_t size, int seed = 1) {
    return PackMember::FromBytes(name, MakeWav(size, static_cast<std::uint8_t>(seed)));
}

class ProceduresTest : public ::testing::Test {
  protected:
    ProceduresTest() {
        QObject::connect(&state, &ProgramState::ProgressChanged,
                         [this](float, const QString& caption) { captions << caption; });
        QObject::connect(&state, &ProgramState::SoundsShown, [this](bool on) { shown = on; });
        QObject::connect(&state, &ProgramState::Saved, [this] { ++saves; });
        hooks.onPump = [this] {
            if (state.InProgress()) {  // the decode lets events run too, before the listing
                seen.emplace_back(state.fileissfx(), state.Busy());
                duringRun();
            }
        };
    }
    QString Path(const std::string& name) const { return platform::FromFsPath(dir / name); }
    QString Sfx(const std::string& name, const std::vector<std::size_t>& sizes) {
        std::vector<PackMember> members;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            members.push_back(Sound("m", sizes[i], static_cast<int>(i)));
        }
        WriteSfxArchive(dir / name, members);
        return Path(name);
    }
    QString Wad(const std::string& name, const std::vector<PackMember>& members) {
        WriteWadArchive(dir / name, members);
        return Path(name);
    }
    QString Folder(const std::string& name) {
        std::filesystem::create_directories(dir / name);
        return Path(name) + u"/"_s;
    }
    void Run(const char* code, const QString& path, qint32 index = 0) {
        procedures.RunProcedure(QString::fromLatin1(code), path, index);
    }
    QStringList Names() const {
        QStringList names;
        for (const ListedSound& sound : state.Sounds()) {
            names << sound.name;
        }
        return names;
    }

    test::TempDir dir;
    ProgramState state;
    PumpingHooks hooks;
    Procedures procedures{state, hooks};
    QStringList captions;                     // the progress window's, in order
    std::vector<std::pair<bool, bool>> seen;  // fileissfx and Busy while events ran
    std::function<void()> duringRun = [] {};  // what a user does meanwhile
    bool shown = true;                        // whether the list is in view
    int saves = 0;                            // saves that ended, each showing the file list anew
};

TEST_F(ProceduresTest, ListingCountsUpKeysRowsInCatalogueOrderAndSumsUp) {
    const struct {
        std::vector<std::size_t> sizes;
        QStringList captions;
        QString summary;  // "," stands for the locale's group separator
    } cases[] = {
        {{100}, {u"100%"_s}, u"1 Files  100 Bytes"_s},
        {{300, 699}, {u"50%"_s, u"100%"_s}, u"2 Files  999 Bytes"_s},
        {{50, 60, 70}, {u"33%"_s, u"66%"_s, u"100%"_s}, u"3 Files  180 Bytes"_s},
        {std::vector<std::size_t>(7, 100),
         {u"14%"_s, u"28%"_s, u"42%"_s, u"57%"_s, u"71%"_s, u"85%"_s, u"100%"_s},
         u"7 Files  700 Bytes"_s},
        {{1234567}, {u"100%"_s}, u"1 Files  1,234,567 Bytes"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary.toStdString());
        captions.clear();
        Run("sfxfile", Sfx(std::to_string(c.sizes.size()) + ".sfx", c.sizes));
        EXPECT_EQ(captions, c.captions);
        ASSERT_EQ(state.SoundCount(), static_cast<qsizetype>(c.sizes.size()));
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            const ListedSound& row = state.Sounds()[static_cast<qsizetype>(i)];
            EXPECT_EQ(std::pair(row.number, row.size),
                      std::pair(static_cast<std::int32_t>(i + 1), static_cast<qint64>(c.sizes[i])));
        }
        EXPECT_EQ(state.Summary(),
                  QString(c.summary).replace(u',', QLocale::system().groupSeparator()));
        EXPECT_TRUE(shown && !state.InProgress() && !state.Busy());
    }
}

TEST_F(ProceduresTest, EachListingReplacesTheLastAndTakesItsKindOnlyAtTheEnd) {
    const QString wad =
        Wad("w.wad", {Sound("door.wav", 100), Sound("bell.wav", 2000), Sound("\x01odd.wav", 60)});
    Run("wadfile", wad);
    EXPECT_EQ(Names(), (QStringList{u"door.wav"_s, u"bell.wav"_s, u"\x01odd.wav"_s}));
    EXPECT_EQ(state.Sounds()[1].size, 2000);
    seen.clear();
    Run("sfxfile", Sfx("two.sfx", {300, 699}));
    EXPECT_EQ(Names(), (QStringList{u"edsnd001.wav"_s, u"edsnd002.wav"_s}));
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>(2, {false, true})));
    EXPECT_TRUE(state.fileissfx());
    seen.clear();
    Run("wadfile", wad);
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>(3, {true, true})));
    EXPECT_FALSE(state.fileissfx());
}

// Every failure is said once, in a plain message titled with the program's
// name, and leaves the state as it was; the next run starts again from 0%.
TEST_F(ProceduresTest, AFailureIsSaidOnceAndLeavesTheListedArchiveAsItWas) {
    Run("wadfile", Wad("base.wad", {Sound("one.wav", 100, 1), Sound("two.wav", 120, 2)}));
    const QString summary = state.Summary();
    test::WriteBytes(dir / "empty.sfx", {});
    const QString gone =
        Wad("gone.wad", {Sound("a.wav", 64), Sound("b.wav", 64), Sound("c.wav", 64)});
    std::filesystem::create_directories(dir / "all" / "two.wav");  // where a sound would go
    const struct {
        const char* code;
        QString path;
        qint32 index;
        QString said;  // the message, or a part of it
        qsizetype rows;
        bool shown;
    } cases[] = {
        {"sfxfile", Path("no.sfx"), 0, u"The archive '"_s + Path("no.sfx") + u"' does not exist."_s,
         2, true},
        {"wadfile", Folder("folder"), 0, u"a folder, not a file"_s, 2, true},
        {"savefile", Path("no/one.wav"), 1, u"Could not write '"_s + Path("no/one.wav"), 2, true},
        {"saveallfile", Folder("all"), 0, Path("all/two.wav"), 2, true},
        {"sfxfile", Path("empty.sfx"), 0, u"The archive holds no sounds."_s, 0, false},
        // Gone while listed: the rows are there, the archive's size is not.
        {"wadfile", gone, 0, u"Could not read the size of '"_s + gone + u"'."_s, 3, true},
    };
    QString running;
    duringRun = [&] {
        if (running == gone) {
            std::filesystem::remove(dir / "gone.wad");
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said.toStdString());
        running = c.path;
        MessageBoxAnswerer answerer;
        Run(c.code, c.path, c.index);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].title, u"EchoDelve"_s);
        EXPECT_TRUE(answerer.seen[0].text.contains(c.said)) << answerer.seen[0].text.toStdString();
        EXPECT_EQ(answerer.seen[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(answerer.seen[0].buttons, QMessageBox::Ok);
        EXPECT_EQ(answerer.seen[0].format, Qt::PlainText);
        EXPECT_EQ(std::pair(state.SoundCount(), shown), std::pair(c.rows, c.shown));
        EXPECT_EQ(state.Summary(), summary);
        EXPECT_FALSE(state.fileissfx() || state.InProgress() || state.Busy());
        EXPECT_EQ(saves, 0);
    }
    // The failed open of a WAD kept the listed WAD's catalogue for the save all.
    EXPECT_EQ(ReadBytes(dir / "all" / "one.wav"), MakeWav(100, 1));
    captions.clear();
    Run("sfxfile", Sfx("three.sfx", {60, 60, 60}));
    EXPECT_EQ(captions, (QStringList{u"33%"_s, u"66%"_s, u"100%"_s}));
}

TEST_F(ProceduresTest, WhileAProcedureRunsTheStateIsBusyAndASecondOneIsRefused) {
    const QString first = Sfx("first.sfx", {100, 100, 100});
    std::vector<bool> busyChanges;
    QObject::connect(&state, &ProgramState::BusyChanged,
                     [&](bool busy) { busyChanges.push_back(busy); });
    int tries = 0;
    duringRun = [&] {
        if (tries++ == 0) {
            Run("sfxfile", Sfx("second.sfx", {60}));
            Run("saveallfile", Folder("all"));
        }
    };
    MessageBoxAnswerer answerer;
    Run("sfxfile", first);
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>(3, {false, true})));
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(captions, (QStringList{u"33%"_s, u"66%"_s, u"100%"_s}));
    EXPECT_EQ(procedures.Decoder(ArchiveKind::Sfx).Catalogue().ArchivePath(),
              platform::ToFsPath(first));
    EXPECT_TRUE(test::FileNames(dir / "all").empty());
    EXPECT_EQ(saves, 0);
}

TEST_F(ProceduresTest, AWadDirectoryCutShortIsAWarningAndTheListingGoesOn) {
    test::WriteBytes(dir / "odd.wad", test::WadRecord("a.wav", 10, 1000));
    MessageBoxAnswerer answerer;
    Run("wadfile", Path("odd.wad"));
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, u"Warning"_s);
    EXPECT_EQ(answerer.seen[0].text,
              u"Error On Open, Header Size Is Greater Than 80K Or Invalid "
              u"Format.  Displaying What I Have So Far."_s);
    EXPECT_EQ(Names(), QStringList{u"a.wav"_s});
    EXPECT_TRUE(shown);
}

// A Doom WAD opened as a WAD lists its sound lumps, without the warning its
// bytes read as records would give; opened as an SFX, it is read as one.
TEST_F(ProceduresTest, AWadListingOfADoomWadListsItsSounds) {
    Bytes doom = {'I', 'W', 'A', 'D', 1, 0, 0, 0, 80, 0, 0, 0, 3, 0, 0x11, 0x2B, 60, 0, 0, 0};
    doom.resize(80, 0x80);
    const Bytes entry = {12, 0, 0, 0, 68, 0, 0, 0, 'D', 'S', 'P', 'I', 'S', 'T', 'O', 'L'};
    doom.insert(doom.end(), entry.begin(), entry.end());
    test::WriteBytes(dir / "doom.wad", doom);
    test::WriteBytes(dir / "doom.sfx", doom);
    MessageBoxAnswerer answerer;
    Run("wadfile", Path("doom.wad"));
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_EQ(Names(), QStringList{u"DSPISTOL.wav"_s});
    EXPECT_FALSE(state.fileissfx());
    Run("saveallfile", Folder("out"));
    EXPECT_EQ(test::FileNames(dir / "out"), std::vector<std::string>{"DSPISTOL.wav"});
    Run("sfxfile", Path("doom.sfx"));
    ASSERT_FALSE(Names().isEmpty());
    EXPECT_EQ(Names().front(), u"edsnd001.wav"_s);  // its length fields walked, as any SFX's
    EXPECT_TRUE(state.fileissfx());
}

TEST_F(ProceduresTest, AnUnknownProcedureDoesNothing) {
    Run("sfxfile", Sfx("one.sfx", {100}));
    const QString two = Sfx("two.sfx", {100, 100});
    captions.clear();
    MessageBoxAnswerer answerer;
    for (const char* code : {"SFXFILE", "", "saveall", "sfxfile ", "wad", "SaveFile"}) {
        Run(code, two, 1);
        Run(code, Folder("out"), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(answerer.seen.empty() && captions.isEmpty());
    EXPECT_EQ(state.SoundCount(), 1);
    EXPECT_TRUE(test::FileNames(dir / "out").empty());
    EXPECT_EQ(saves, 0);
}

TEST_F(ProceduresTest, SaveWritesTheSoundOverAnOlderFileWithoutAProgressWindow) {
    Run("sfxfile", Sfx("s.sfx", {100, 200, 300}));
    const QString target = Folder("out") + u"x.wav"_s;
    test::WriteBytes(dir / "out" / "x.wav", {'o', 'l', 'd'});
    captions.clear();
    Run("savefile", target, 2);
    EXPECT_EQ(ReadBytes(dir / "out" / "x.wav"), MakeWav(200, 1));
    EXPECT_EQ(test::FileNames(dir / "out"), std::vector<std::string>{"x.wav"});
    EXPECT_TRUE(captions.isEmpty());
    EXPECT_EQ(saves, 1);
}

TEST_F(ProceduresTest, SaveAllWritesEverySoundAskingInOrderForEachThatIsNotRiff) {
    Bytes odd1 = MakeWav(80, 7);
    Bytes odd2 = MakeWav(90, 8);
    odd1[0] = odd2[0] = 'X';
    Run("wadfile", Wad("w.wad", {Sound("door.wav", 100, 1), PackMember::FromBytes("odd1.wav", odd1),
                                 Sound("door.wav", 120, 2), PackMember::FromBytes("odd2.wav", odd2),
                                 Sound("../x.wav", 90, 3)}));
    captions.clear();
    MessageBoxAnswerer answerer({QMessageBox::Yes, QMessageBox::No});
    Run("saveallfile", Folder("all"));
    ASSERT_EQ(answerer.seen.size(), 2u);
    for (const auto& asked : answerer.seen) {
        EXPECT_EQ(asked.title, u"Warning"_s);
        EXPECT_EQ(asked.text,
                  u"File is blank or it is not WAV format, and may be unplayable. Save Anyways?"_s);
        EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(asked.format, Qt::PlainText);
    }
    EXPECT_EQ(captions, (QStringList{u"20%"_s, u"40%"_s, u"60%"_s, u"80%"_s, u"100%"_s}));
    EXPECT_EQ(test::FileNames(dir / "all"),
              (std::vector<std::string>{".._x.wav", "door (2).wav", "door.wav", "odd1.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "door.wav"), MakeWav(100, 1));
    EXPECT_EQ(ReadBytes(dir / "all" / "door (2).wav"), MakeWav(120, 2));
    EXPECT_EQ(ReadBytes(dir / "all" / "odd1.wav"), odd1);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(state.InProgress());
}

TEST_F(ProceduresTest, SaveAllLeavesOutImpossibleSoundsAndNamesThemOnceAtTheEnd) {
    // b.wav claims 50 MB of a 2 KB archive; d.wav a negative size; e.wav a negative offset.
    Bytes bytes;
    for (const auto& [name, size, offset] :
         std::vector<std::tuple<const char*, int, int>>{{"a.wav", 64, 1608},
                                                        {"b.wav", 50000000, 1672},
                                                        {"c.wav", 64, 1672},
                                                        {"d.wav", -16, 1672},
                                                        {"e.wav", 64, -256},
                                                        {"f.wav", 64, 1736}}) {
        const Bytes record = test::WadRecord(name, static_cast<std::uint32_t>(size),
                                             static_cast<std::uint32_t>(offset));
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    for (const int seed : {1, 3, 6}) {
        const Bytes wav = MakeWav(64, static_cast<std::uint8_t>(seed));
        bytes.insert(bytes.end(), wav.begin(), wav.end());
    }
    test::WriteBytes(dir / "damaged.wad", bytes);
    Run("wadfile", Path("damaged.wad"));
    ASSERT_EQ(state.SoundCount(), 6);
    captions.clear();
    MessageBoxAnswerer answerer;
    Run("saveallfile", Folder("all"));
    EXPECT_EQ(test::FileNames(dir / "all"), (std::vector<std::string>{"a.wav", "c.wav", "f.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "c.wav"), MakeWav(64, 3));
    // Every sound advances the progress, saved or not; six steps add up short of 100.
    EXPECT_EQ(captions, (QStringList{u"16%"_s, u"33%"_s, u"50%"_s, u"66%"_s, u"83%"_s, u"99%"_s}));
    ASSERT_EQ(answerer.seen.size(), 1u);  // after the run, one message for all
    EXPECT_EQ(answerer.seen[0].title, u"EchoDelve"_s);
    const QStringList lines = answerer.seen[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 4) << answerer.seen[0].text.toStdString();
    EXPECT_EQ(lines[0], u"3 sounds were not saved:"_s);
    EXPECT_TRUE(lines[1].startsWith(u"b.wav: "_s) && lines[1].contains(u"whole archive"_s));
    EXPECT_TRUE(lines[2].startsWith(u"d.wav: "_s) && lines[2].contains(u"negative size"_s));
    EXPECT_TRUE(lines[3].startsWith(u"e.wav: "_s) && lines[3].contains(u"negative offset"_s));
    EXPECT_FALSE(state.InProgress());
    EXPECT_EQ(saves, 1);
}

QStringList detailSaid;  // NOLINT: what the program says for developers, while a test runs

TEST_F(ProceduresTest, DeveloperDetailIsSaidOnlyWhenAskedFor) {
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& where, const QString& text) {
            if (QLatin1String(where.category) == QLatin1String("echodelve.detail")) {
                detailSaid << text;
            }
        });
    const QString archive = Sfx("one.sfx", {100});
    Run("sfxfile", archive);
    platform::ShowDeveloperDetail(true);
    Run("sfxfile", archive);
    platform::ShowDeveloperDetail(false);
    qInstallMessageHandler(before);
    ASSERT_EQ(detailSaid.size(), 1);
    EXPECT_TRUE(detailSaid[0].startsWith(u"\"sfxfile\" ran for"_s)) << detailSaid[0].toStdString();
}

TEST(NotSavedMessageTest, NamesTheFirstTenAndCountsTheRest) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {1, "1 sound was not saved:", "s1"},
        {2, "2 sounds were not saved:", "s2"},
        {10, "10 sounds were not saved:", "s10"},
        {11, "11 sounds were not saved:", "... and 1 more."},
        {1000, "1000 sounds were not saved:", "... and 990 more."}};
    for (const auto& [count, first, last] : cases) {
        QStringList reasons;
        for (int i = 1; i <= count; ++i) {
            reasons << u"s%1"_s.arg(i);
        }
        QStringList named = reasons.mid(0, 10);
        named.prepend(QLatin1String(first));
        if (count > 10) {
            named << QLatin1String(last);
        }
        EXPECT_EQ(NotSavedMessage(reasons), named.join(u'\n'));
        EXPECT_EQ(named.back(), QLatin1String(last));
    }
}

// Edits list the edited archive, written to the scratch folder: the rows
// they changed are marked until saved, and a save or a Save All of a row
// writes its new sound; the archive itself is written only when saved as.
TEST_F(ProceduresTest, EditsChangeTheListingUntilSavedAsAndNeverTheArchiveMeanwhile) {
    const QString archive =
        Wad("game.wad", {Sound("a.wav", 100, 1), Sound("b.wav", 120, 2), Sound("c.wav", 140, 3)});
    const Bytes original = ReadBytes(dir / "game.wad");
    test::WriteBytes(dir / "new.wav", MakeWav(300, 9));
    test::WriteBytes(dir / "more.wav", MakeWav(77, 8));
    Run("wadfile", archive);
    EXPECT_FALSE(state.Unsaved());
    const auto marks = [this] {
        std::vector<bool> edited;
        for (const ListedSound& sound : state.Sounds()) {
            edited.push_back(sound.edited);
        }
        return edited;
    };

    MessageBoxAnswerer answerer;
    Run("replacefile", Path("new.wav"), 2);
    EXPECT_EQ(Names(), (QStringList{u"a.wav"_s, u"b.wav"_s, u"c.wav"_s}));
    EXPECT_EQ(marks(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(state.Sounds()[1].size, 300);
    EXPECT_TRUE(state.Unsaved());
    Run("savefile", Path("b-out.wav"), 2);
    EXPECT_EQ(ReadBytes(dir / "b-out.wav"), MakeWav(300, 9));

    Run("renamefile", u"bell.wav"_s, 1);
    Run("removefile", {}, 3);
    Run("addfile", Path("more.wav"));
    EXPECT_EQ(Names(), (QStringList{u"bell.wav"_s, u"b.wav"_s, u"more.wav"_s}));
    EXPECT_EQ(marks(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(state.Summary().startsWith(u"3 Files  "_s)) << state.Summary().toStdString();
    Run("saveallfile", Folder("all"));
    EXPECT_EQ(test::FileNames(dir / "all"),
              (std::vector<std::string>{"b.wav", "bell.wav", "more.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "bell.wav"), MakeWav(100, 1));
    EXPECT_EQ(ReadBytes(dir / "all" / "more.wav"), MakeWav(77, 8));
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_EQ(ReadBytes(dir / "game.wad"), original);  // edits write only the scratch folder

    const int savesBefore = saves;
    Run("savearchivefile", archive);
    EXPECT_FALSE(state.Unsaved());
    EXPECT_EQ(marks(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(saves, savesBefore + 1);
    EXPECT_EQ(ReadBytes(dir / "game.wad.bak"), original);
    Run("wadfile", archive);
    EXPECT_EQ(Names(), (QStringList{u"bell.wav"_s, u"b.wav"_s, u"more.wav"_s}));
    Run("savefile", Path("again.wav"), 2);
    EXPECT_EQ(ReadBytes(dir / "again.wav"), MakeWav(300, 9));
}

// A refused edit says why and changes nothing: not the listing, not the
// archive, not whether edits are unsaved. Several edits go in whole or not.
TEST_F(ProceduresTest, ARefusedEditSaysWhyAndChangesNothing) {
    test::WriteBytes(dir / "noise.wav", Bytes(500, 'A'));
    test::WriteBytes(dir / "ok.wav", MakeWav(90, 4));
    // 300 records: the directory passes 80000 bytes, so it is listed in part.
    Bytes part;
    const auto append = [&part](const Bytes& bytes) {
        part.insert(part.end(), bytes.begin(), bytes.end());
    };
    for (std::uint32_t i = 0; i < 300; ++i) {
        append(test::WadRecord("m" + std::to_string(i) + ".wav", 44, 300 * 268 + i * 44));
    }
    for (int i = 0; i < 300; ++i) {
        append(MakeWav(44));
    }
    test::WriteBytes(dir / "part.wad", part);
    const struct {
        const char* label;
        std::function<void()> edit;
        const char* said;
    } cases[] = {
        {"not a sound", [&] { Run("replacefile", Path("noise.wav"), 1); }, "cannot go into"},
        {"a name without a dot", [&] { Run("renamefile", u"nodot"_s, 1); }, "has no \".\""},
        {"a name taken", [&] { Run("renamefile", u"B.WAV"_s, 1); }, "(ignoring case)"},
        {"no row", [&] { Run("replacefile", Path("ok.wav"), 0); }, "There is no sound 0"},
        {"the last sound of a WAD",
         [&] {
             Run("removefile", {}, 1);
             Run("removefile", {}, 1);
         },
         "at least one file"},
        {"two additions, one not a sound",
         [&] {
             using Kind = EditOperation::Kind;
             procedures.RunEdits({{Kind::Add, {}, dir / "ok.wav", {}, 0},
                                  {Kind::Add, {}, dir / "noise.wav", {}, 0}});
         },
         "cannot go into"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const QString archive = Wad("two.wad", {Sound("a.wav", 100, 1), Sound("b.wav", 120, 2)});
        Run("wadfile", archive);
        MessageBoxAnswerer answerer;
        c.edit();
        ASSERT_FALSE(answerer.seen.empty());
        EXPECT_TRUE(answerer.seen.back().text.contains(QString::fromUtf8(c.said)))
            << answerer.seen.back().text.toStdString();
        EXPECT_EQ(Names().size(), std::string_view(c.label).starts_with("the last") ? 1 : 2);
        EXPECT_EQ(state.Unsaved(), std::string_view(c.label).starts_with("the last"));
    }
    // Listed only in part, or nothing listed: nothing to edit or save.
    {
        MessageBoxAnswerer answerer;
        Run("wadfile", Path("part.wad"));
        Run("removefile", {}, 1);
        Run("savearchivefile", Path("whole.wad"));
        ASSERT_EQ(answerer.seen.size(), 3u);
        EXPECT_TRUE(
            answerer.seen[1].text.startsWith(u"Only part of this archive could be listed"_s));
        EXPECT_TRUE(answerer.seen[2].text.contains(u"cannot be saved"_s));
        EXPECT_FALSE(std::filesystem::exists(dir / "whole.wad"));
    }
    ProgramState fresh;
    Procedures none(fresh, hooks);
    for (const char* code : {"removefile", "savearchivefile"}) {
        MessageBoxAnswerer answerer;
        none.RunProcedure(QString::fromLatin1(code), Path("x.wad"), 1);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text, u"Open an archive first."_s);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.wad"));
}

}  // namespace
}  // namespace echodelve::app
