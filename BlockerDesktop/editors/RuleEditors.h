#pragma once

#include "editors/AbstractBlockerCreator.h"
#include "editors/EditorPage.h"

#include <memory>

namespace orvane::desktop {

// The page a request opens: the editor of its kind, or the kind chooser for a new rule of a
// custom package.
std::unique_ptr<EditorPage> makeRuleEditor(const EditorRequest& request, SplitViewController& splitView);

// The editor of the request's kind; `embedded` inside the kind chooser.
std::unique_ptr<AbstractBlockerCreator> makeKindEditor(const EditorRequest& request, SplitViewController& splitView,
                                                       bool embedded);

} // namespace orvane::desktop
