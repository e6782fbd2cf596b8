// Building and reading VS_VERSIONINFO blocks. Every node is: length, value
// length, type (1 = text), a zero-terminated UTF-16 key padded to 32 bits,
// the value padded to 32 bits, then the child nodes.
#include "platform/VersionResource.h"

#include <functional>

namespace velmar::platform {

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, std::uint16_t(v));
  Put16(b, std::uint16_t(v >> 16));
}
void Align(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}
void PutText(Bytes& b, const std::string& s) {  // ASCII to UTF-16, zero-terminated
  for (unsigned char c : s) Put16(b, c);
  Put16(b, 0);
}

// One node with its value bytes and its already built children.
Bytes Node(const std::string& key, std::uint16_t type, const Bytes& value, std::uint16_t valueLength,
           const std::vector<Bytes>& children) {
  Bytes b(6, 0);
  PutText(b, key);
  Align(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& c : children) {
    Align(b);
    b.insert(b.end(), c.begin(), c.end());
  }
  b[0] = std::uint8_t(b.size());
  b[1] = std::uint8_t(b.size() >> 8);
  b[2] = std::uint8_t(valueLength);
  b[3] = std::uint8_t(valueLength >> 8);
  b[4] = std::uint8_t(type);
  b[5] = std::uint8_t(type >> 8);
  return b;
}

std::string Hex4(std::uint16_t v) {
  static const char* d = "0123456789ABCDEF";
  return {d[(v >> 12) & 15], d[(v >> 8) & 15], d[(v >> 4) & 15], d[v & 15]};
}

// A parsed node: its key, its value bytes and its children's ranges.
struct Parsed {
  std::string key;
  std::uint16_t type = 0;
  std::size_t valueAt = 0, valueBytes = 0;
  std::vector<std::pair<std::size_t, std::size_t>> children;  // offset, length
};

std::uint16_t Get16(const Bytes& b, std::size_t at) {
  return at + 1 < b.size() ? std::uint16_t(b[at] | (b[at + 1] << 8)) : 0;
}

// Parses the node at [at, at+len); false when it is malformed.
bool ParseNode(const Bytes& b, std::size_t at, std::size_t len, Parsed& out) {
  if (len < 6 || at + len > b.size()) return false;
  std::size_t end = at + len;
  std::uint16_t valueLength = Get16(b, at + 2);
  out.type = Get16(b, at + 4);
  std::size_t p = at + 6;
  out.key.clear();
  while (true) {
    if (p + 1 >= end) return false;
    std::uint16_t ch = Get16(b, p);
    p += 2;
    if (ch == 0) break;
    out.key.push_back(ch < 0x80 ? char(ch) : '?');
  }
  p = (p + 3) & ~std::size_t(3);
  out.valueAt = p;
  out.valueBytes = out.type == 1 ? std::size_t(valueLength) * 2 : valueLength;
  if (p + out.valueBytes > end) out.valueBytes = p < end ? end - p : 0;
  p += out.valueBytes;
  out.children.clear();
  while (true) {
    p = (p + 3) & ~std::size_t(3);
    if (p + 6 > end) break;
    std::size_t childLen = Get16(b, p);
    if (childLen < 6 || p + childLen > end) break;
    out.children.emplace_back(p, childLen);
    p += childLen;
  }
  return true;
}

// Walks a "\A\B\C" path from the root; the node found, if any.
std::optional<Parsed> Find(const Bytes& b, const std::vector<std::string>& path) {
  Parsed node;
  if (b.size() < 6 || !ParseNode(b, 0, std::min<std::size_t>(Get16(b, 0), b.size()), node)) return std::nullopt;
  for (const std::string& want : path) {
    bool found = false;
    for (auto [off, len] : node.children) {
      Parsed child;
      if (ParseNode(b, off, len, child) && child.key == want) {
        node = child;
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  return node;
}

}  // namespace

std::vector<std::uint8_t> BuildVersionResource(const VersionResourceValues& v) {
  Bytes fixed;
  Put32(fixed, 0xFEEF04BD);  // signature
  Put32(fixed, 0x00010000);  // structure version
  Put32(fixed, std::uint32_t(v.fileVersion[0]) << 16 | v.fileVersion[1]);
  Put32(fixed, std::uint32_t(v.fileVersion[2]) << 16 | v.fileVersion[3]);
  Put32(fixed, std::uint32_t(v.productVersion[0]) << 16 | v.productVersion[1]);
  Put32(fixed, std::uint32_t(v.productVersion[2]) << 16 | v.productVersion[3]);
  for (int i = 0; i < 7; ++i) Put32(fixed, i == 3 ? 0x40004 : (i == 4 ? 1 : 0));  // flags, OS, type...

  std::vector<Bytes> strings;
  for (const auto& [name, text] : v.strings) {
    Bytes value;
    PutText(value, text);
    strings.push_back(Node(name, 1, value, std::uint16_t(text.size() + 1), {}));
  }
  Bytes table = Node(Hex4(v.language) + Hex4(v.codePage), 1, {}, 0, strings);
  Bytes stringInfo = Node("StringFileInfo", 1, {}, 0, {table});
  Bytes translation;
  Put16(translation, v.language);
  Put16(translation, v.codePage);
  Bytes var = Node("Translation", 0, translation, 4, {});
  Bytes varInfo = Node("VarFileInfo", 1, {}, 0, {var});
  return Node("VS_VERSION_INFO", 0, fixed, std::uint16_t(fixed.size()), {stringInfo, varInfo});
}

std::optional<std::pair<std::uint16_t, std::uint16_t>> VersionResource::Translation() const {
  auto node = Find(block_, {"VarFileInfo", "Translation"});
  if (!node || node->valueBytes < 4) return std::nullopt;
  return std::make_pair(Get16(block_, node->valueAt), Get16(block_, node->valueAt + 2));
}

std::optional<std::string> VersionResource::String(const std::string& table, const std::string& name) const {
  auto node = Find(block_, {"StringFileInfo", table, name});
  if (!node) return std::nullopt;
  std::string s;
  for (std::size_t p = node->valueAt; p + 1 < node->valueAt + node->valueBytes; p += 2) {
    std::uint16_t ch = Get16(block_, p);
    if (ch == 0) break;
    s.push_back(ch < 0x80 ? char(ch) : '?');
  }
  return s;
}

}  // namespace velmar::platform
