// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 8, "Extra": the "Add Text to Image" group (text with camera-value tokens, colours,
// background, placement, font, size, offsets, date format) with a live stamp preview, and the
// Minolta colour matching options.
#pragma once

#include "imageio/Image.h"
#include "filters/TextStamp.h"
#include "ui/pages/PageDialogs.h"
#include "ui/pages/TuningPage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace orv::ui {

// The sample picture of the page with the stamp drawn by the pipeline's own steps.
class CStampPreview : public QWidget {
  Q_OBJECT

 public:
  explicit CStampPreview(QWidget* parent = nullptr);
  void Render(const TextGroup& text, const StampValues& values);
  const QImage& image() const { return shown_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Image sample_;
  QImage shown_;
};

class CExtraPage : public CTuningPage {
  Q_OBJECT

 public:
  CExtraPage(Settings& settings, PageDialogs dialogs, QWidget* parent = nullptr);

  // The camera values the preview's tokens stand for (the photograph shown in the main window,
  // taken over at each preview refresh).
  void SetSampleValues(const StampValues& values);
  // Demonstration values for the time before any photograph is shown.
  static StampValues DemoValues();

  QCheckBox* textSwitch() const { return textSwitch_; }
  QLineEdit* textField() const { return textField_; }
  QToolButton* tokenButton() const { return tokenButton_; }
  QPushButton* textColour() const { return textColour_; }
  QPushButton* backColour() const { return backColour_; }
  QComboBox* background() const { return background_; }
  QComboBox* placement() const { return placement_; }
  QLineEdit* fontName() const { return fontName_; }
  QPushButton* fontButton() const { return fontButton_; }
  QLineEdit* sizeField() const { return sizeField_; }
  QSpinBox* offsetX() const { return offsetX_; }
  QSpinBox* offsetY() const { return offsetY_; }
  QComboBox* dateFormat() const { return dateFormat_; }
  CStampPreview* preview() const { return preview_; }
  QCheckBox* matchSwitch() const { return matchSwitch_; }
  QRadioButton* onlyMinolta() const { return onlyMinolta_; }
  QRadioButton* allImages() const { return allImages_; }

  // The question asked when "Apply to all images (Not recommended)" is chosen.
  static QString ApplyToAllQuestion();

 protected:
  void LoadControls() override;
  void CommitControls() override;
  void UpdateEnabling() override;

 private:
  void PickColour(bool text);
  void PickFont();
  void InsertToken(const QString& token);
  void ShowColours();
  void RenderPreview();

  PageDialogs dialogs_;
  StampValues sample_;
  int textColourValue_ = 0xFFFFFF;
  int backColourValue_ = 0;
  QCheckBox* textSwitch_;
  QLineEdit* textField_;
  QToolButton* tokenButton_;
  QPushButton* textColour_;
  QPushButton* backColour_;
  QComboBox* background_;
  QComboBox* placement_;
  QLineEdit* fontName_;
  QPushButton* fontButton_;
  QLineEdit* sizeField_;
  QSpinBox* offsetX_;
  QSpinBox* offsetY_;
  QComboBox* dateFormat_;
  CStampPreview* preview_;
  QList<QWidget*> textControls_;  // every control of the group but its switch
  QCheckBox* matchSwitch_;
  QRadioButton* onlyMinolta_;
  QRadioButton* allImages_;
};

}  // namespace orv::ui
