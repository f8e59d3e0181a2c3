#include "ui/TMyListView.h"

#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(TMyListView, ColumnIndexFollowsTheCaption) {
    const QStringList captions{"Title", "Track", "Duration", "Title"};
    EXPECT_EQ(ResolveColumnIndex(captions, 3, "Title"), 3);
    EXPECT_EQ(ResolveColumnIndex(captions, 1, "Title"), 0);
    EXPECT_EQ(ResolveColumnIndex(captions, 1, "title"), -1);
    EXPECT_EQ(ResolveColumnIndex(captions, 7, "Duration"), 2);
}

TEST(TMyListView, CheckBoxesCountAndReport) {
    TMyListView list;
    list.setColumnCount(2);
    for (int i = 0; i < 3; ++i)
        new QTreeWidgetItem(&list, QStringList{QString::number(i), "x"});
    list.SetCheckBoxes(true);
    std::vector<std::pair<int, bool>> seen;
    QObject::connect(&list, &TMyListView::OnItemChecked,
                     [&](int row, bool on) { seen.emplace_back(row, on); });
    list.SetChecked(1, true);
    list.SetChecked(2, true);
    EXPECT_EQ(list.CheckedCount(), 2);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(seen.size(), 2u);
    list.SetCheckBoxes(false);
    EXPECT_EQ(list.CheckedCount(), 0);
    EXPECT_FALSE(list.topLevelItem(1)->flags() & Qt::ItemIsUserCheckable);
}

TEST(TMyListView, DraggingADividerRaisesBeginDuringAndEnd) {
    TMyListView list;
    list.setColumnCount(3);
    list.setHeaderLabels({"Title", "Track", "Status"});
    list.header()->setStretchLastSection(false);
    list.resize(500, 200);
    list.header()->resizeSection(0, 100);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    std::vector<std::tuple<char, int, int>> seen;
    QObject::connect(&list, &TMyListView::OnBeginColumnResize,
                     [&](TMyListView*, int c, int w) { seen.emplace_back('b', c, w); });
    QObject::connect(&list, &TMyListView::OnColumnResize,
                     [&](TMyListView*, int c, int w) { seen.emplace_back('r', c, w); });
    QObject::connect(&list, &TMyListView::OnEndColumnResize,
                     [&](TMyListView*, int c, int w) { seen.emplace_back('e', c, w); });
    QWidget* header = list.header()->viewport();
    const QPoint divider(list.header()->sectionViewportPosition(0) + 100, 5);
    QTest::mousePress(header, Qt::LeftButton, Qt::NoModifier, divider);
    QMouseEvent move(QEvent::MouseMove, QPointF(divider + QPoint(40, 0)),
                     header->mapToGlobal(QPointF(divider + QPoint(40, 0))), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header, &move);
    QTest::mouseRelease(header, Qt::LeftButton, Qt::NoModifier, divider + QPoint(40, 0));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), std::make_tuple('b', 0, 100));
    EXPECT_EQ(std::get<0>(seen[1]), 'r');
    EXPECT_EQ(std::get<1>(seen[1]), 0);
    EXPECT_EQ(seen.back(), std::make_tuple('e', 0, 140));
}

} // namespace
