// Base64 text of byte strings (the standard alphabet, with "=" padding): images inside page
// pictures, their JSON form and the summary page.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Appends the Base64 text of bytes to out.
void AppendBase64(std::string& out, std::string_view bytes);

inline std::string Base64(std::string_view bytes) {
  std::string out;
  AppendBase64(out, bytes);
  return out;
}

}  // namespace kv
