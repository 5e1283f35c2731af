// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve control driven through real mouse and key events: the gestures change the curve and
// send the two notices.
#include "ui/pages/CurveControl.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "settings/Settings.h"
#include "ui/pages/QtTestApp.h"

namespace orv::ui {
namespace {

struct CurveControlFixture : ::testing::Test {
  QApplication& app = test::QtApp();
  Settings settings;
  std::unique_ptr<CCurveControl> control;
  std::unique_ptr<QSignalSpy> changing, changed;

  void Make(Curve& curve) {
    control = std::make_unique<CCurveControl>(curve);
    // Wide enough that every value has its own pixel on the bars.
    control->resize(520, control->sizeHint().height());
    control->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(control.get()));
    changing = std::make_unique<QSignalSpy>(control.get(), &CCurveControl::valueChanging);
    changed = std::make_unique<QSignalSpy>(control.get(), &CCurveControl::valueChanged);
  }
  QPoint Bar(int row, int value) const { return {control->ValueX(value), control->RowCentre(row)}; }
  QPoint Exif(int row) const {
    return {control->ExifColumnRect().center().x(), control->RowCentre(row)};
  }
  // The value column, where a press changes nothing.
  QPoint Number(int row) const { return {control->width() - 12, control->RowCentre(row)}; }
  void Move(QPoint to) {
    // QTest::mouseMove does not carry the held button: send the event itself.
    QMouseEvent move(QEvent::MouseMove, to, control->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(control.get(), &move);
  }
};

TEST_F(CurveControlFixture, PressAndDragSetTheSameRowAndReleaseSendsTheChange) {
  Curve& balance = settings.Balance.Advanced;
  Make(balance);
  QTest::mousePress(control.get(), Qt::LeftButton, {}, Bar(2, 200));
  EXPECT_EQ(balance.GetPoint(2), 200);
  EXPECT_EQ(changing->count(), 1);
  EXPECT_EQ(changed->count(), 0);
  // Moving over another row keeps setting the row the drag started on.
  Move(Bar(5, 40));
  EXPECT_EQ(balance.GetPoint(2), 40);
  EXPECT_EQ(balance.GetPoint(5), 128);
  Move(QPoint(control->width() + 50, control->RowCentre(2)));  // past the end: 255
  EXPECT_EQ(balance.GetPoint(2), 255);
  Move(QPoint(-30, control->RowCentre(2)));  // before the start: 0
  EXPECT_EQ(balance.GetPoint(2), 0);
  EXPECT_EQ(changing->count(), 4);
  EXPECT_EQ(changed->count(), 0);
  QTest::mouseRelease(control.get(), Qt::LeftButton, {}, QPoint(-30, control->RowCentre(2)));
  EXPECT_EQ(changed->count(), 1);
  // The nearest row is picked: just above row 3's centre is still row 3.
  QTest::mouseClick(control.get(), Qt::LeftButton, {},
                    QPoint(control->ValueX(77), control->RowCentre(3) - 3));
  EXPECT_EQ(balance.GetPoint(3), 77);
  EXPECT_EQ(changed->count(), 2);
}

TEST_F(CurveControlFixture, LevelCurvesSnapDownToTheirLevelValues) {
  Curve& window = settings.Window.Advanced;  // 4 levels: 0, 85, 170, 255
  Make(window);
  const std::pair<int, int> cases[] = {{30, 0},   {84, 0},    {85, 85},
                                       {169, 85}, {254, 170}, {255, 255}};
  for (auto [pointer, stored] : cases) {
    QTest::mouseClick(control.get(), Qt::LeftButton, {}, Bar(1, pointer));
    EXPECT_EQ(window.GetPoint(1), stored) << pointer;
  }
  Curve& distance = settings.Distance.Advanced;  // 3 levels: 0, 127, 254
  Make(distance);
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, Bar(0, 255));
  EXPECT_EQ(distance.GetPoint(0), 254);
  EXPECT_EQ(distance.Quantize(distance.GetPoint(0)), 3);
}

TEST_F(CurveControlFixture, ExifColumnPicksAndDragsTheNoExifRow) {
  Curve& balance = settings.Balance.Advanced;
  balance.SetNoExifIndex(0);
  Make(balance);
  QTest::mousePress(control.get(), Qt::LeftButton, {}, Exif(3));
  EXPECT_EQ(balance.NoExifIndex(), 3);
  Move(Exif(6));
  EXPECT_EQ(balance.NoExifIndex(), 6);
  Move(QPoint(Exif(0).x(), control->height() + 40));  // below the column: the last row
  EXPECT_EQ(balance.NoExifIndex(), 6);
  Move(QPoint(Exif(0).x(), -20));
  EXPECT_EQ(balance.NoExifIndex(), 0);
  QTest::mouseRelease(control.get(), Qt::LeftButton, {}, Exif(0));
  EXPECT_EQ(changed->count(), 1);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(balance.GetPoint(i), 128);  // no value changed
}

TEST_F(CurveControlFixture, DoubleClickEditsTheValue) {
  Curve& balance = settings.Balance.Advanced;
  Make(balance);
  // Typing above 255 becomes 255; Enter stores it and sends the change.
  QTest::mouseDClick(control.get(), Qt::LeftButton, {}, Number(1));
  QLineEdit* edit = control->editField();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), "128");
  EXPECT_EQ(edit->maxLength(), 3);
  edit->selectAll();
  QTest::keyClicks(edit, "300");
  EXPECT_EQ(edit->text(), "255");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(control->editField(), nullptr);
  EXPECT_EQ(balance.GetPoint(1), 255);
  EXPECT_EQ(changed->count(), 1);

  // A negative number becomes 0.
  QTest::mouseDClick(control.get(), Qt::LeftButton, {}, Number(4));
  edit = control->editField();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, "-7");
  EXPECT_EQ(edit->text(), "0");
  QTest::keyClick(edit, Qt::Key_Enter);
  EXPECT_EQ(balance.GetPoint(4), 0);
  EXPECT_EQ(changed->count(), 2);

  // Escape closes without storing.
  QTest::mouseDClick(control.get(), Qt::LeftButton, {}, Number(2));
  edit = control->editField();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, "12");
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(control->editField(), nullptr);
  EXPECT_EQ(balance.GetPoint(2), 128);
  EXPECT_EQ(changed->count(), 2);

  // Leaving the field stores; the same value stores nothing and sends nothing.
  QTest::mouseDClick(control.get(), Qt::LeftButton, {}, Number(3));
  edit = control->editField();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, "128");
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, Number(0));  // focus leaves the field
  EXPECT_EQ(control->editField(), nullptr);
  EXPECT_EQ(changed->count(), 2);
  QTest::mouseDClick(control.get(), Qt::LeftButton, {}, Number(3));
  edit = control->editField();
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, "42");
  edit->clearFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(balance.GetPoint(3), 42);
  EXPECT_EQ(changed->count(), 3);
  EXPECT_EQ(changing->count(), 0);
}

TEST_F(CurveControlFixture, DisabledCurveIgnoresTheMouse) {
  Curve& sharpen = settings.Sharpen.Advanced;
  sharpen.SetEnabled(false);
  sharpen.SetNoExifIndex(0);
  Make(sharpen);
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, Bar(1, 10));
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, Exif(2));
  QTest::mouseDClick(control.get(), Qt::LeftButton, {}, Number(1));
  EXPECT_EQ(sharpen.GetPoint(1), 128);
  EXPECT_EQ(sharpen.NoExifIndex(), 0);
  EXPECT_EQ(control->editField(), nullptr);
  EXPECT_EQ(changing->count() + changed->count(), 0);
  // Turning the switch back on (the page sets the flag) makes it work again.
  sharpen.SetEnabled(true);
  control->SyncEnabled();
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, Bar(1, 10));
  EXPECT_EQ(sharpen.GetPoint(1), 10);
}

TEST_F(CurveControlFixture, OnePointCurveHasNoExifColumn) {
  Curve& basic = settings.Balance.Basic;
  Make(basic);
  EXPECT_EQ(control->ExifColumnRect().width(), 0);
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, Bar(0, 215));
  EXPECT_EQ(basic.GetPoint(0), 215);
  EXPECT_EQ(basic.NoExifIndex(), 0);
}

}  // namespace
}  // namespace orv::ui
