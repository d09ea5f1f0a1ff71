#pragma once

#include <string_view>

namespace zembra {

// Orders names the way people read them: letters compare without regard to
// ASCII case and runs of digits compare by value, so "kick2" comes before
// "Kick10". Names equal in that sense ("a01" and "a1", "A" and "a") fall back
// to a plain byte comparison, so the order is total and never depends on the
// order the names came in. Bytes outside ASCII compare as they are.
int NaturalCompare(std::string_view a, std::string_view b);

struct NaturalLess {
  bool operator()(std::string_view a, std::string_view b) const { return NaturalCompare(a, b) < 0; }
};

}  // namespace zembra
