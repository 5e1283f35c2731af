// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CPreviewPanel: the "Image After" previews of the settings pages. It keeps a reduced copy of the
// working picture (made once per photograph) and a 1:1 detail crop, runs the pipeline in preview
// mode on copies of both, and holds the results as display images for the views.
#pragma once

#include <functional>

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>

#include "imageio/Image.h"
#include "ui/pages/DisplayOrientation.h"
#include "ui/pages/PreviewPicture.h"

namespace orv {
class CEngine;
}

namespace orv::ui {

class CPreviewPanel : public QObject {
  Q_OBJECT

 public:
  explicit CPreviewPanel(CEngine& engine, QObject* parent = nullptr);

  // The pane the reduced copy is fitted to, and the size of the detail views. Takes effect at
  // the next ShowPicture.
  void SetPaneSize(QSize size) { paneSize_ = size; }
  void SetDetailSize(QSize size) { detailSize_ = size; }
  QSize paneSize() const { return paneSize_; }
  QSize detailSize() const { return detailSize_; }

  // How the next photograph is turned for display (its EXIF orientation); the pictures below
  // are shown upright, the pipeline still works on the pixels as loaded.
  void SetDisplayTurn(DisplayTurn turn) { turn_ = turn; }
  DisplayTurn displayTurn() const { return turn_; }
  // After the engine loaded a photograph (ShowImageInfo): reduce it for the pane, cut the crop
  // centred in it, then RefreshPreviews.
  void ShowPicture();
  // Forgets the photograph (no image shown: the previews are empty).
  void Clear();
  bool hasPicture() const { return !reduced_.empty(); }

  // What the window tells the previews before each refresh: commit its pages into the settings,
  // and whether the page shown has a 1:1 detail view (only then is the crop corrected). Without
  // them nothing is committed and no detail is shown.
  struct ViewState {
    std::function<void()> commitPages;
    std::function<bool()> detailShown;
  };
  void SetViewState(ViewState state) { view_ = std::move(state); }

  // Runs the pipeline in preview mode on copies of the reduced picture and, when the page shows
  // it, the crop.
  void RefreshPreviews();

  // A detail view was dragged to a new offset: clamped into the picture, the crop is cut again
  // when the offset changed and shown unprocessed until the next refresh. True when it moved.
  bool MoveDetail(QPoint offset);
  // A drag on the (turned) detail view as a movement of the crop over the picture.
  QPoint DetailMovement(QPoint displayDrag) const { return PictureVector(displayDrag, turn_); }
  QPoint detailOffset() const { return {place_.x, place_.y}; }
  QSize detailCropSize() const { return {place_.width, place_.height}; }
  bool detailProcessed() const { return detailProcessed_; }

  // The pictures for the views: the reduced copy ("Current Image"), its processed copy and the
  // crop, processed after a refresh and plain right after a move.
  const QImage& before() const { return before_; }
  const QImage& after() const { return after_; }
  const QImage& detail() const { return detail_; }

  int refreshCount() const { return refreshCount_; }

 signals:
  // The processed pictures were replaced.
  void previewsRefreshed();
  // The crop moved and shows unprocessed.
  void detailMoved();

 private:
  bool WorkingPictureChanged() const;

  CEngine& engine_;
  ViewState view_;
  QSize paneSize_{360, 270};
  QSize detailSize_{300, 225};
  Image reduced_;
  Image crop_;
  DetailPlace place_;
  // The working picture the copies were made from, to notice when a run replaced it.
  const uint8_t* source_ = nullptr;
  int sourceWidth_ = 0, sourceHeight_ = 0;
  DisplayTurn turn_ = QImageIOHandler::TransformationNone;
  QImage before_, after_, detail_;
  bool detailProcessed_ = false;
  int refreshCount_ = 0;
};

// A display copy of a picture.
QImage ToDisplayImage(const Image& image);

}  // namespace orv::ui
