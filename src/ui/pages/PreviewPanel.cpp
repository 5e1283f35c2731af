// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pages/PreviewPanel.h"

#include <cstring>

#include "engine/Engine.h"
#include "engine/EngineHost.h"

namespace orv::ui {

QImage ToDisplayImage(const Image& image) {
  if (image.empty()) return {};
  QImage out(image.width(), image.height(), QImage::Format_RGB888);
  if (out.isNull()) return {};
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(out.scanLine(y), image.row(y), image.stride());
  return out;
}

CPreviewPanel::CPreviewPanel(CEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {}

void CPreviewPanel::Clear() {
  reduced_.Clear();
  crop_.Clear();
  place_ = {};
  source_ = nullptr;
  sourceWidth_ = sourceHeight_ = 0;
  turn_ = QImageIOHandler::TransformationNone;
  before_ = after_ = detail_ = QImage();
  detailProcessed_ = false;
  emit previewsRefreshed();
}

void CPreviewPanel::ShowPicture() {
  const Image& picture = engine_.picture();
  // Made to fit the pane and the detail view once turned upright.
  const QSize pane = PictureSizeFor(paneSize_, turn_), detail = PictureSizeFor(detailSize_, turn_);
  if (picture.empty() || !ReducePicture(picture, pane.width(), pane.height(), reduced_)) {
    Clear();
    return;
  }
  source_ = picture.pixels();
  sourceWidth_ = picture.width();
  sourceHeight_ = picture.height();
  place_ = CentredDetail(picture.width(), picture.height(), detail.width(), detail.height());
  if (!CutDetail(picture, place_, crop_)) crop_.Clear();
  before_ = TurnedUpright(ToDisplayImage(reduced_), turn_);
  RefreshPreviews();
}

bool CPreviewPanel::WorkingPictureChanged() const {
  const Image& picture = engine_.picture();
  return picture.pixels() != source_ || picture.width() != sourceWidth_ ||
         picture.height() != sourceHeight_;
}

void CPreviewPanel::RefreshPreviews() {
  if (reduced_.empty()) return;
  if (view_.commitPages) view_.commitPages();
  Image picture;
  Image crop;
  if (!picture.CopyFrom(reduced_)) return;
  bool haveCrop = !crop_.empty() && crop.CopyFrom(crop_);
  // The crop is corrected only for the pages that show it.
  const bool correctCrop = haveCrop && view_.detailShown && view_.detailShown();
  engine_.ProcessImage(picture, PipelineMode::Preview, correctCrop ? &crop : nullptr,
                       CropOrigin{place_.x, place_.y});
  after_ = TurnedUpright(ToDisplayImage(picture), turn_);
  detail_ = haveCrop ? TurnedUpright(ToDisplayImage(crop), turn_) : QImage();
  detailProcessed_ = correctCrop;
  ++refreshCount_;
  emit previewsRefreshed();
}

bool CPreviewPanel::MoveDetail(QPoint offset) {
  // A run loads every photograph of the queue into the working picture; the crop can only be
  // cut again from the photograph the previews were made of.
  if (crop_.empty() || WorkingPictureChanged()) return false;
  DetailPlace moved = ClampDetail(place_, offset.x(), offset.y(), sourceWidth_, sourceHeight_);
  if (moved.x == place_.x && moved.y == place_.y) return false;
  place_ = moved;
  if (!CutDetail(engine_.picture(), place_, crop_)) return false;
  detail_ = TurnedUpright(ToDisplayImage(crop_), turn_);
  detailProcessed_ = false;
  emit detailMoved();
  return true;
}

}  // namespace orv::ui
