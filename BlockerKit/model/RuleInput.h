#pragma once

#include "model/Records.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The raw input of a rule editor, turned into the values the builders take. Nothing here trims
// or changes case: text is used as typed.

// Items of the domain-filter pop-up, in order.
enum class DomainFilterSelector { All, IfDomain, UnlessDomain };

// Load-type segments 1 and 2 stand for these; segment 0 for both.
inline constexpr std::array kEditorLoadTypes{LoadType::FirstParty, LoadType::ThirdParty};

// The URL editor's resource-type segments, in segment order.
inline constexpr std::array kEditorResourceTypes{ResourceType::Script,   ResourceType::Media, ResourceType::Image,
                                                 ResourceType::Document, ResourceType::Raw,   ResourceType::SVG,
                                                 ResourceType::Popup,    ResourceType::Font,  ResourceType::StyleSheet};

// Which resource-type segments are selected; bit i is segment i.
using ResourceTypeSegments = std::bitset<kEditorResourceTypes.size()>;

// The name field's text, or no name when it is empty.
std::optional<std::string> nameFromField(const std::string& text);

// The filled domain rows in order. With subdomains included each gets a leading "*" unless it
// has one; without, every "*" is removed.
std::vector<std::string> nonEmptyDomains(const std::vector<std::string>& rows, bool includeSubdomains);

// Pop-up item 1 gives an IfDomain filter, item 2 an UnlessDomain filter over `domains`; any other
// item (0, or -1 for no selection) gives none.
std::optional<DomainFilter> domainFilterForItem(int item, std::vector<std::string> domains);

// Segment k >= 1 gives element k-1 of kEditorLoadTypes; segment 0, no selection (-1) or a segment
// out of range give none.
std::optional<LoadType> loadTypeForSegment(int segment);

// The selected segments' types in segment order. Selecting all is the same as selecting none:
// the empty list, which the URL builder turns into "every type".
std::vector<ResourceType> resourceTypesForSegments(const ResourceTypeSegments& selected);

// The segment that stands for a type; kEditorResourceTypes.size() for a type the editor has no
// segment for.
std::size_t resourceTypeSegment(ResourceType type);

} // namespace orvane
