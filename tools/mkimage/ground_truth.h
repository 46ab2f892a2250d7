#pragma once
// The ground truth of an image as JSON: per message where its bytes are, what a scan should
// find, and its digest.
//
// Strings hold the stored bytes: every byte is one code point from U+0000 to U+00FF (a byte
// 0xD6 is written "\u00d6"), so non-ASCII header values come back byte for byte.

#include <string>
#include <vector>

#include "tools/mkimage/image_builder.h"

namespace mkimage {

std::string GroundTruthJson(const Image& image, const std::vector<InputMessage>& inputs, const LayoutSpec& layout);

// A JSON string literal of `bytes` in the form above.
std::string JsonBytes(const std::string& bytes);

}  // namespace mkimage
