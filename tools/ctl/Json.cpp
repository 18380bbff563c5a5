// SPDX-License-Identifier: Apache-2.0
#include "Json.h"

#include <cstdio>
#include <string_view>

#include "link/Utf8.h"

namespace orvane::ctl {

namespace {

// Texts come from files, command lines and receivers: a byte that is not UTF-8 becomes U+FFFD,
// so the document stays valid whatever it quotes (an overlong form or a surrogate included).
void Quote(std::string& out, const std::string& text) {
  out += '"';
  for (std::string_view rest = text; !rest.empty();) {
    const std::string_view at = rest;
    if (!link::NextCodePoint(rest)) {
      out += "\\ufffd";
      rest.remove_prefix(1);
      continue;
    }
    if (const std::size_t length = at.size() - rest.size(); length > 1) {
      out.append(at.substr(0, length));
      continue;
    }
    const char c = at.front();
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void Indent(std::string& out, int depth) {
  if (depth < 0) return;
  out += '\n';
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

}  // namespace

std::string Json::Dump() const {
  std::string out;
  DumpTo(out, 0);
  out += '\n';
  return out;
}

std::string Json::DumpLine() const {
  std::string out;
  DumpTo(out, -1);
  out += '\n';
  return out;
}

void Json::DumpTo(std::string& out, int depth) const {
  if (std::holds_alternative<std::nullptr_t>(value_)) {
    out += "null";
  } else if (const auto* truth = std::get_if<bool>(&value_)) {
    out += *truth ? "true" : "false";
  } else if (const auto* number = std::get_if<std::int64_t>(&value_)) {
    out += std::to_string(*number);
  } else if (const auto* text = std::get_if<std::string>(&value_)) {
    Quote(out, *text);
  } else if (const auto* array = std::get_if<Array>(&value_)) {
    if (array->empty()) {
      out += "[]";
      return;
    }
    out += '[';
    for (std::size_t i = 0; i < array->size(); ++i) {
      Indent(out, depth < 0 ? depth : depth + 1);
      (*array)[i].DumpTo(out, depth < 0 ? depth : depth + 1);
      if (i + 1 < array->size()) out += ',';
    }
    Indent(out, depth);
    out += ']';
  } else {
    const auto& object = std::get<Object>(value_);
    if (object.empty()) {
      out += "{}";
      return;
    }
    out += '{';
    for (std::size_t i = 0; i < object.size(); ++i) {
      const int inner = depth < 0 ? depth : depth + 1;
      Indent(out, inner);
      Quote(out, object[i].first);
      out += depth < 0 ? ":" : ": ";
      object[i].second.DumpTo(out, inner);
      if (i + 1 < object.size()) out += ',';
    }
    Indent(out, depth);
    out += '}';
  }
}

}  // namespace orvane::ctl
