#include "engine/StageContext.h"

#include <cstring>

#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"

namespace orv {

bool StageContext::Checkpoint(int position, bool withPicture) {
  if (!progress) return true;
  progress->SetItemPos(position);
  if (withPicture) progress->ShowPicture(picture.pixels(), picture.width(), picture.height());
  if (progress->CancelPressed()) {
    cancelled = true;
    return false;
  }
  return true;
}

bool StageContext::Check(bool ok, std::string_view reason) {
  if (!ok && failure.empty()) failure = std::string(reason);
  return ok;
}

void StageContext::StageLine(std::string_view message) {
  if (!failure.empty()) return;
  if (!detailedLog || previewMode || !log) return;
  log->LogAppend(logtext::StageLine(message));
}

namespace {

bool CopyImage(const Image& from, Image& to) {
  if (from.empty()) return false;
  if (to.empty() || to.width() != from.width() || to.height() != from.height()) {
    if (!to.Allocate(from.width(), from.height())) return false;
  }
  std::memcpy(to.pixels(), from.pixels(), from.byteSize());
  return true;
}

}  // namespace

bool StageContext::CopyToSpare() {
  return Check(CopyImage(picture, spare), "no memory for a copy of the picture");
}

bool StageContext::CopyCropToSpare() {
  return crop && detailSpare && CopyImage(*crop, *detailSpare);
}

}  // namespace orv
