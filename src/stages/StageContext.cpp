#include "stages/StageContext.h"

#include <cstring>

#include "settings/CurveAxes.h"

namespace orv {
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

int FlashStageValue(const CurveStageSettings& stage, const CameraSummary& camera) {
  return stage.advanced ? LookupAt(*stage.curve, FlashAxis(camera)) : BasicLookup(*stage.curve);
}

}  // namespace orv
