#pragma once

// What gamefold-batch and gamefold-publish-remote say to each other over the channel between
// them. A message is its length, then its fields, each its length then its bytes; lengths are
// eight bytes, least significant first. The first field names the request ("open", "size",
// "put", "sweep") or the answer ("ok", "failed").

#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"
#include "publish/publish.h"

namespace gamefold {

/// The program that sends over the network, installed apart so that only publishing loads the
/// network libraries.
inline constexpr std::string_view kPublishRemoteProgram = "gamefold-publish-remote";
/// The environment variable naming that program where it is neither beside gamefold-batch nor
/// installed.
inline constexpr std::string_view kPublishRemoteVariable = "GAMEFOLD_PUBLISH_REMOTE";

/// fields as one message, its length first.
std::string EncodeMessage(const std::vector<std::string_view>& fields);
/// The fields of a message's body (what follows its length); false when it is cut short.
[[nodiscard]] bool DecodeMessage(std::string_view body, std::vector<std::string>* fields);
/// The length at the head of a message.
unsigned long long DecodeLength(const char (&head)[8]);

/// A destination as the fields of an "open" request, and back; false on a malformed one.
std::vector<std::string> DestinationFields(const Destination& destination);
[[nodiscard]] bool DestinationOfFields(const std::vector<std::string>& fields, size_t first,
                                       Destination* destination);

}  // namespace gamefold
