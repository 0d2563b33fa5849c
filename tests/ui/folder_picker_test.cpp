#include "ui/folder_picker.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve::ui {
namespace {

// The chain from the root to the folder, then its visible sub-folders sorted
// ignoring case; an entry activated opens its folder, or says why it cannot.
TEST(FolderPickerTest, ShowsTheChainThenTheSortedSubfoldersAndOpensAnEntry) {
    test::TempDir dir;
    for (const char* name : {"b", "a", "A", "c", ".hidden", "gone"}) {
        std::filesystem::create_directories(dir / "top" / name);
    }
    test::WriteBytes(dir / "top" / "Aa.txt", {});
    FolderPicker list(nullptr);
    QSignalSpy changes(&list, &FolderPicker::Change);
    QSignalSpy failures(&list, &FolderPicker::OpenFailed);
    const QString top = QString::fromStdString((dir / "top").string());
    list.SetPath(top + QStringLiteral("/"));
    EXPECT_EQ(list.Path(), top);
    QStringList expected{QStringLiteral("/")};
    for (const QString& part : top.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        expected << part;
    }
    const qsizetype current = expected.size() - 1;
    expected << QStringLiteral("A") << QStringLiteral("a") << QStringLiteral("b")
             << QStringLiteral("c") << QStringLiteral("gone");
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.item(i)->text().trimmed();
        EXPECT_EQ(list.item(i)->text().size() - entries.back().size(),
                  2 * std::min<qsizetype>(i, current + 1))
            << i;
    }
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(list.currentRow(), current);

    emit list.itemActivated(list.item(static_cast<int>(current)));  // the folder shown
    EXPECT_EQ(changes.count(), 1);
    std::filesystem::remove(dir / "top" / "gone");
    emit list.itemActivated(list.item(list.count() - 1));
    ASSERT_EQ(failures.count(), 1);
    EXPECT_TRUE(failures[0][0].toString().contains(QStringLiteral("gone")));
    EXPECT_EQ(list.Path(), top);
    EXPECT_EQ(list.count(), expected.size());

    emit list.itemActivated(list.item(list.count() - 2));  // "c"
    EXPECT_EQ(list.Path(), top + QStringLiteral("/c"));
    emit list.itemActivated(list.item(0));  // the root
    EXPECT_EQ(list.Path(), QStringLiteral("/"));
    EXPECT_EQ(changes.count(), 3);
    EXPECT_THROW(list.SetPath(top + QStringLiteral("/missing")), std::runtime_error);
    EXPECT_EQ(list.Path(), QStringLiteral("/"));
    EXPECT_EQ(changes.count(), 3);
}

}  // namespace
}  // namespace echodelve::ui
