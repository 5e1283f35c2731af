// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Tab 5, "HotPixels": the hot-pixel threshold (and, on the Advanced page, window) curves, the
// list of cameras with internal noise reduction, and the black frame with its loader.
#pragma once

#include "imageio/Image.h"
#include "ui/pages/PageDialogs.h"
#include "ui/pages/TuningPage.h"

class QLabel;
class QPlainTextEdit;
class QRadioButton;

namespace orv::ui {

class CHotPixelsPage : public CTuningPage {
  Q_OBJECT

 public:
  // blackFrame: the engine's black frame, which both pages load into and a run subtracts.
  CHotPixelsPage(Settings& settings, bool advanced, Image& blackFrame, PageDialogs dialogs,
                 CPreviewPanel* preview, QWidget* parent = nullptr);

  // "Load Black Frame": asks for a file ("Load image", starting in the stored ImgPath folder)
  // and decodes it into the black frame. True when a frame was loaded.
  bool LoadBlackFrame();
  // Shows or hides the picture that marks a camera of the model list (Advanced page).
  void ShowListedCamera(bool listed);
  // "No Black Frame Loaded" or the frame's size.
  void ShowFrameSize();

  QCheckBox* hotPixelSwitch() const { return hotPixelSwitch_; }
  QCheckBox* subtraction() const { return subtraction_; }
  QLabel* frameLabel() const { return frameLabel_; }
  CCurveControl* thresholdCurve() const { return thresholdCurve_; }
  // Advanced page only (null on the Basic page).
  CCurveControl* windowCurve() const { return windowCurve_; }
  QCheckBox* excludeSwitch() const { return excludeSwitch_; }
  QPlainTextEdit* modelList() const { return modelList_; }
  QRadioButton* ignoreListed() const { return ignoreListed_; }
  QRadioButton* noExifForListed() const { return noExifForListed_; }
  QLabel* listedCamera() const { return listedCamera_; }

  // The file filter of the "Load image" dialog.
  static QString ImageFileFilter();

 signals:
  // A black frame was loaded: the previews change, the settings do not.
  void blackFrameLoaded();

 protected:
  void LoadControls() override;
  void CommitControls() override;
  void UpdateEnabling() override;

 private:
  bool advanced_;
  Image& blackFrame_;
  PageDialogs dialogs_;
  QCheckBox* hotPixelSwitch_;
  CCurveControl* thresholdCurve_;
  CCurveControl* windowCurve_ = nullptr;
  QCheckBox* excludeSwitch_ = nullptr;
  QPlainTextEdit* modelList_ = nullptr;
  QRadioButton* ignoreListed_ = nullptr;
  QRadioButton* noExifForListed_ = nullptr;
  QLabel* listedCamera_ = nullptr;
  QCheckBox* subtraction_;
  QLabel* frameLabel_;
};

}  // namespace orv::ui
