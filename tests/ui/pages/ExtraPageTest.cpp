// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Extra page: the stamp group's enabling and size rules, the token menu, the pickers, the
// live stamp preview and the colour matching question.
#include "ui/pages/ExtraPage.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <deque>

#include "ui/pages/QtTestApp.h"

namespace orv::ui {
namespace {

struct ExtraFixture : ::testing::Test {
  QApplication& app = test::QtApp();
  Settings settings;
  std::vector<QString> asked;
  std::deque<bool> answers;
  std::optional<QColor> colour;
  std::optional<QFont> font;
  std::unique_ptr<CExtraPage> page;
  std::unique_ptr<QSignalSpy> changed;

  ExtraFixture() {
    settings.ApplyKeyDefaults();
    PageDialogs d;
    d.askYesNo = [this](const QString& q) {
      asked.push_back(q);
      bool a = !answers.empty() && answers.front();
      if (!answers.empty()) answers.pop_front();
      return a;
    };
    d.pickColour = [this](const QColor&, const QString&) { return colour; };
    d.pickFont = [this](const QFont&) { return font; };
    page = std::make_unique<CExtraPage>(settings, d);
    changed = std::make_unique<QSignalSpy>(page.get(), &CTuningPage::changed);
  }
  void TypeSize(const QString& text) {
    page->sizeField()->selectAll();
    QTest::keyClicks(page->sizeField(), text);
  }
};

TEST_F(ExtraFixture, StampControlsFollowTheirSwitchBackgroundAndPlacement) {
  settings.Text.Enabled = 0;
  settings.Text.BackType = 1;
  settings.Text.Placement = 4;
  page->LoadFromSettings();
  EXPECT_TRUE(page->textSwitch()->isEnabled());
  for (QWidget* w : std::initializer_list<QWidget*>{
           page->textField(), page->tokenButton(), page->textColour(), page->backColour(),
           page->background(), page->placement(), page->fontButton(), page->sizeField(),
           page->offsetX(), page->offsetY(), page->dateFormat()})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

  page->textSwitch()->click();
  EXPECT_EQ(settings.Text.Enabled, 1);
  EXPECT_TRUE(page->backColour()->isEnabled());
  EXPECT_TRUE(page->offsetX()->isEnabled());
  page->background()->setCurrentIndex(0);  // "Transparent": no box, no box colour
  EXPECT_EQ(settings.Text.BackType, 0);
  EXPECT_FALSE(page->backColour()->isEnabled());
  for (int place : {0, 1}) {  // the centred placements ignore the x offset
    page->placement()->setCurrentIndex(place);
    EXPECT_FALSE(page->offsetX()->isEnabled());
    EXPECT_TRUE(page->offsetY()->isEnabled());
  }
  page->placement()->setCurrentIndex(3);
  EXPECT_EQ(settings.Text.Placement, 3);
  EXPECT_TRUE(page->offsetX()->isEnabled());
  EXPECT_EQ(changed->count(), 5);
}

TEST_F(ExtraFixture, SizeFieldReplacesLargeAndNegativeNumbersBy80) {
  settings.Text.Enabled = 1;
  page->LoadFromSettings();
  const std::pair<const char*, int> cases[] = {{"81", 80}, {"100", 80}, {"-5", 80}, {"80", 80},
                                               {"0", 0},   {"7", 7},    {"45", 45}};
  for (auto [typed, stored] : cases) {
    TypeSize(typed);
    EXPECT_EQ(settings.Text.FontSize, stored) << typed;
    EXPECT_EQ(page->sizeField()->text(), QString::number(stored)) << typed;
  }
}

TEST_F(ExtraFixture, TokenMenuInsertsAtTheCaretReplacingTheSelection) {
  settings.Text.Enabled = 1;
  settings.Text.String = "Shot on DAY with";
  page->LoadFromSettings();
  QMenu* menu = page->tokenButton()->menu();
  ASSERT_NE(menu, nullptr);
  QList<QAction*> actions = menu->actions();
  ASSERT_GE(actions.size(), 8);
  EXPECT_EQ(actions[0]->text(), "-EXIF DATA-");
  EXPECT_FALSE(actions[0]->isEnabled());
  QStringList labels;
  for (QAction* a : actions)
    if (!a->isSeparator() && a->isEnabled()) labels << a->text();
  EXPECT_EQ(labels, (QStringList{"Date && Time", "F-Number", "ISO", "Shutter Speed", "Camera Model",
                                 "Flash Used"}));
  page->textField()->setSelection(8, 3);  // "DAY"
  actions[2]->trigger();                  // "Date && Time"
  EXPECT_EQ(settings.Text.String, "Shot on %DATE% with");
  page->textField()->end(false);
  page->textField()->insert(" F");
  actions[3]->trigger();  // "F-Number"
  EXPECT_EQ(settings.Text.String, "Shot on %DATE% with F%FNUM%");
}

TEST_F(ExtraFixture, PickersTakeOverColourAndFont) {
  settings.Text.Enabled = 1;
  settings.Text.BackType = 2;
  page->LoadFromSettings();
  colour = QColor(0x11, 0x22, 0x33);
  page->textColour()->click();
  EXPECT_EQ(settings.Text.TextColor, 0x332211);  // red in the low byte
  page->backColour()->click();
  EXPECT_EQ(settings.Text.BKColor, 0x332211);
  colour.reset();  // cancelled
  page->textColour()->click();
  EXPECT_EQ(settings.Text.TextColor, 0x332211);
  EXPECT_EQ(changed->count(), 2);

  QFont chosen(QStringLiteral("Liberation Serif"));
  chosen.setPixelSize(27);
  chosen.setWeight(QFont::Bold);
  chosen.setItalic(false);
  chosen.setUnderline(true);
  font = chosen;
  page->fontButton()->click();
  EXPECT_EQ(settings.Text.FontName, "Liberation Serif");
  EXPECT_EQ(settings.Text.FontSize, 27);
  EXPECT_EQ(settings.Text.Weight, 700);
  EXPECT_EQ(settings.Text.Italic, 0);
  EXPECT_EQ(settings.Text.Underline, 1);
  EXPECT_EQ(page->fontName()->text(), "Liberation Serif");
  EXPECT_EQ(page->sizeField()->text(), "27");
  EXPECT_EQ(changed->count(), 3);
}

TEST_F(ExtraFixture, PreviewDrawsTheStampWithTheShownPhotosValues) {
  settings.Text.Enabled = 0;
  settings.Text.String = "%MODEL%";
  settings.Text.BackType = 3;
  settings.Text.Placement = 2;
  page->LoadFromSettings();
  QImage plain = page->preview()->image();
  ASSERT_FALSE(plain.isNull());
  page->textSwitch()->click();
  QImage stamped = page->preview()->image();
  EXPECT_NE(stamped, plain);
  // Another camera name draws another stamp.
  StampValues values = CExtraPage::DemoValues();
  values.DisplayModel = "A much longer camera model name";
  page->SetSampleValues(values);
  EXPECT_NE(page->preview()->image(), stamped);
  EXPECT_EQ(changed->count(), 1);  // new values are no edit
}

TEST_F(ExtraFixture, ApplyToAllImagesAsksAndAnythingButYesGoesBack) {
  settings.sRGB.Enabled = 1;
  settings.sRGB.Test = 0;
  page->LoadFromSettings();
  answers = {false};
  page->allImages()->click();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], CExtraPage::ApplyToAllQuestion());
  EXPECT_TRUE(asked[0].startsWith("Color Matching images already in sRGB"));
  EXPECT_TRUE(asked[0].endsWith("without checking? "));
  EXPECT_EQ(settings.sRGB.Test, 0);
  EXPECT_TRUE(page->onlyMinolta()->isChecked());
  answers = {true};
  page->allImages()->click();
  EXPECT_EQ(settings.sRGB.Test, 1);
  EXPECT_TRUE(page->allImages()->isChecked());
  // The choice needs matching on.
  page->matchSwitch()->click();
  EXPECT_EQ(settings.sRGB.Enabled, 0);
  EXPECT_FALSE(page->allImages()->isEnabled());
  EXPECT_FALSE(page->onlyMinolta()->isEnabled());
}

}  // namespace
}  // namespace orv::ui
