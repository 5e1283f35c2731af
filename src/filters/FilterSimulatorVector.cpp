// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the filter simulator's grey output, compiled once per vector target through
// Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/FilterSimulatorVector.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstring>

#include "filters/FilterSimulatorVector.h"
#include "filters/KernelPath.h"

#ifndef ORV_FILTER_SIMULATOR_VECTOR_SHARED
#define ORV_FILTER_SIMULATOR_VECTOR_SHARED
namespace orv::filter_sim_shared {

// x / 100 as (x x 5243) >> 19 for every x the weighted sum reaches (at most 100 x 255).
constexpr bool DivisionBy100Holds() {
  for (int x = 0; x <= 25500; ++x)
    if ((x * 5243) >> 19 != x / 100) return false;
  return true;
}
static_assert(DivisionBy100Holds());

constexpr size_t kTableBytes = 65536;

}  // namespace orv::filter_sim_shared
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace filter_sim_shared;

// Targets with gathered loads of their own; elsewhere Highway would read lane by lane.
#define ORV_FILTER_SIM_GATHERS \
  (!ORV_FALLBACK_TARGET &&     \
   ((HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2) || HWY_TARGET == HWY_SVE || HWY_TARGET == HWY_SVE2))

#if ORV_FILTER_SIM_GATHERS
using DI = hn::ScalableTag<int32_t>;
using DB = hn::Rebind<uint8_t, DI>;
using VI = hn::Vec<DI>;

// trunc(0.3 R + 0.59 G + 0.11 B + 0.001) in whole numbers, as the reference step.
HWY_INLINE VI WeightedLuma(VI r, VI g, VI b) {
  const DI di;
  const VI x = hn::Add(hn::Add(hn::Mul(r, hn::Set(di, 30)), hn::Mul(g, hn::Set(di, 59))),
                       hn::Mul(b, hn::Set(di, 11)));
  return hn::ShiftRight<19>(hn::Mul(x, hn::Set(di, 5243)));
}

// table[offset] lane by lane.
HWY_INLINE VI Lookup(const uint8_t* table, VI offsets) {
  const DI di;
  const auto* base = reinterpret_cast<const int32_t*>(table);
  return hn::And(hn::GatherOffset(di, base, offsets), hn::Set(di, 0xFF));
}

// One vector of pixels (3 x Lanes bytes) at p, to grey.
HWY_INLINE void SimulateVector(uint8_t* p, const uint8_t* tables, const uint8_t* q) {
  const DI di;
  const DB db;
  hn::Vec<DB> r8, g8, b8;
  hn::LoadInterleaved3(db, p, r8, g8, b8);
  const VI r = hn::PromoteTo(di, r8), g = hn::PromoteTo(di, g8), b = hn::PromoteTo(di, b8);
  const VI row = hn::ShiftLeft<8>(Lookup(q, WeightedLuma(r, g, b)));
  const VI R = Lookup(tables, hn::Add(row, r));
  const VI G = Lookup(tables + kTableBytes, hn::Add(row, g));
  const VI B = Lookup(tables + 2 * kTableBytes, hn::Add(row, b));
  const auto y = hn::DemoteTo(db, WeightedLuma(R, G, B));
  hn::StoreInterleaved3(y, y, y, db, p);
}
#endif

bool SimulateGreyRunV(uint8_t* p, size_t count, const uint8_t* tables, const uint8_t* q) {
#if !ORV_FILTER_SIM_GATHERS
  (void)p;
  (void)count;
  (void)tables;
  (void)q;
  return false;
#else
  const size_t lanes = hn::Lanes(DI());
  size_t done = 0;
  for (; done + lanes <= count; done += lanes) SimulateVector(p + 3 * done, tables, q);
  if (done < count) {
    // The last pixels through a vector's worth of room.
    uint8_t rest[3 * HWY_MAX_BYTES / sizeof(int32_t)] = {};
    const size_t bytes = 3 * (count - done);
    std::memcpy(rest, p + 3 * done, bytes);
    SimulateVector(rest, tables, q);
    std::memcpy(p + 3 * done, rest, bytes);
  }
  return true;
#endif
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(SimulateGreyRunV);

bool SimulateFilterGreyRunVector(uint8_t* p, size_t count, const uint8_t* tables,
                                 const uint8_t* q) {
  if (ReferenceKernelsForced()) return false;
  return HWY_DYNAMIC_DISPATCH(SimulateGreyRunV)(p, count, tables, q);
}

}  // namespace orv
#endif
