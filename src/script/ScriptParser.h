#pragma once

#include "script/PresentationModel.h"
#include "storage/ResourcePurge.h"

#include <vector>

namespace zentil {

struct LoadContext;

// What the parse phase learnt beyond the model itself.
struct ParseSummary {
    bool SeparatorSeen = false; // some "/resource" held a "|"
    std::vector<ResourcePurge> Purges; // the "/purge" entries with plain names, in order
};

// The parse phase of LoadSlideShow: fills an emptied model from the statements (built-in
// background 1, "%info", "%title", "%resource", "%background", "%slide", "%subslide"), records
// every statement-level problem in model.Messages and reports it to the context's reporter.
ParseSummary ParseScript(
    const ScriptStatements& script, SlideShowModel& model, const LoadContext& context);

} // namespace zentil
