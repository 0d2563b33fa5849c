#include "ui/folder_picker.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "support/temp_dir.h"

namespace echodelve::ui {
namespace {

QStringList Entries(const FolderPicker& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        entries << list.item(i)->text().trimmed();
    }
    return entries;
}

TEST(FolderPickerTest, ShowsTheChainThenSortedVisibleSubfolders) {
    test::TempDir dir;
    for (const char* name : {"b", "A", "c", ".hidden"}) {
        std::filesystem::create_directories(dir / "top" / name);
    }
    FolderPicker list(nullptr);
    QSignalSpy changes(&list, &FolderPicker::Change);
    const QString top = QString::fromStdString((dir / "top").string());
    list.SetPath(top + QStringLiteral("/"));
    EXPECT_EQ(list.Path(), top);
    EXPECT_EQ(changes.count(), 1);

    QStringList expected{QStringLiteral("/")};
    for (const QString& part : top.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        expected << part;
    }
    expected << QStringLiteral("A") << QStringLiteral("b") << QStringLiteral("c");
    EXPECT_EQ(Entries(list), expected);
    EXPECT_EQ(list.currentRow(), expected.size() - 4);  // the current folder
}

TEST(FolderPickerTest, ActivatingAnEntryOpensItAndAFailureLeavesTheList) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "top" / "sub");
    std::filesystem::create_directories(dir / "top" / "gone");
    FolderPicker list(nullptr);
    const QString top = QString::fromStdString((dir / "top").string());
    list.SetPath(top);
    QSignalSpy failures(&list, &FolderPicker::OpenFailed);

    std::filesystem::remove(dir / "top" / "gone");
    emit list.itemActivated(list.item(list.count() - 2));  // "gone"
    ASSERT_EQ(failures.count(), 1);
    EXPECT_TRUE(failures[0][0].toString().contains(QStringLiteral("gone")));
    EXPECT_EQ(list.Path(), top);

    emit list.itemActivated(list.item(list.count() - 1));  // "sub"
    EXPECT_EQ(list.Path(), top + QStringLiteral("/sub"));
    emit list.itemActivated(list.item(0));  // the root
    EXPECT_EQ(list.Path(), QStringLiteral("/"));
    EXPECT_THROW(list.SetPath(top + QStringLiteral("/missing")), std::runtime_error);
    EXPECT_EQ(list.Path(), QStringLiteral("/"));
}

}  // namespace
}  // namespace echodelve::ui
