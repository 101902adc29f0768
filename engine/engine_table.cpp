#include "engine/engine_table.h"

PdfEngine g_engine;

namespace {

const EngineSlotInfo kSlots[] = {
#define CORVAN_ENGINE_INFO(slot, symbol, required, ret, params) {symbol, required},
    CORVAN_ENGINE_ENTRY_POINTS(CORVAN_ENGINE_INFO)
#undef CORVAN_ENGINE_INFO
};

constexpr int kSlotCount = int(sizeof kSlots / sizeof kSlots[0]);

}  // namespace

int EngineSlotCount() { return kSlotCount; }

int RequiredEngineSlotCount() {
  int count = 0;
  for (const auto& slot : kSlots) count += slot.required ? 1 : 0;
  return count;
}

const EngineSlotInfo& EngineSlotAt(int index) { return kSlots[index]; }

bool EngineSlotFilled(int index) {
  int position = 0;
  bool filled = false;
#define CORVAN_ENGINE_FILLED(slot, symbol, required, ret, params) \
  if (position++ == index) filled = g_engine.slot != nullptr;
  CORVAN_ENGINE_ENTRY_POINTS(CORVAN_ENGINE_FILLED)
#undef CORVAN_ENGINE_FILLED
  return filled;
}
