#include "filters/FilterSimStage.h"

#include "filters/FilterTable.h"

namespace orv {

FilterSimPlan DeriveFilterSimStage(const FilterSimStage& stage) {
  FilterSimPlan plan;
  if (!stage.enabled) return plan;
  plan.run = true;
  plan.name = std::string(FilterListName(stage.filterNo));
  plan.blackWhite = stage.blackAndWhite;
  plan.stageText = plan.name;
  plan.logText = "filter: " + plan.name;
  return plan;
}

}  // namespace orv
