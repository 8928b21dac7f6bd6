#include "runtime/text/PatternMatch.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "runtime/text/AsciiCase.h"

namespace runtime::text {
namespace {

struct Node;

// One item of a sequence: an atom with its repetition bounds.
struct Item {
  std::unique_ptr<Node> Atom;
  size_t Min = 1;
  size_t Max = 1;
};
using ItemList = std::vector<Item>;

struct Node {
  enum class Kind : uint8_t { Byte, Any, Set, Start, End, Group };
  Kind What = Kind::Byte;
  unsigned char Value = 0;
  std::bitset<256> Members;
  std::vector<ItemList> Alternatives;
};

constexpr size_t Unbounded = std::numeric_limits<size_t>::max();

class Parser {
 public:
  explicit Parser(std::string_view pattern) : Text(pattern) {}

  // The whole pattern as one group; false when it is malformed.
  bool Parse(Node& root) {
    root.What = Node::Kind::Group;
    if (!Alternatives(root.Alternatives)) return false;
    return At == Text.size();
  }

 private:
  bool Alternatives(std::vector<ItemList>& out) {
    out.emplace_back();
    while (At < Text.size()) {
      const char c = Text[At];
      if (c == '}') return true;
      if (c == '|') {
        ++At;
        out.emplace_back();
        continue;
      }
      Item item;
      item.Atom = std::make_unique<Node>();
      if (!Atom(*item.Atom)) return false;
      if (At < Text.size()) {
        switch (Text[At]) {
          case '*': item.Min = 0; item.Max = Unbounded; ++At; break;
          case '+': item.Min = 1; item.Max = Unbounded; ++At; break;
          case '?': item.Min = 0; item.Max = 1; ++At; break;
          default: break;
        }
      }
      out.back().push_back(std::move(item));
    }
    return true;
  }

  bool Atom(Node& node) {
    const char c = Text[At++];
    switch (c) {
      case '{':
        node.What = Node::Kind::Group;
        if (!Alternatives(node.Alternatives)) return false;
        if (At >= Text.size() || Text[At] != '}') return false;
        ++At;
        return true;
      case '[': return Set(node);
      case '.': node.What = Node::Kind::Any; return true;
      case '^': node.What = Node::Kind::Start; return true;
      case '$': node.What = Node::Kind::End; return true;
      case '\\':
        if (At >= Text.size()) return false;
        node.Value = static_cast<unsigned char>(Text[At++]);
        return true;
      default: node.Value = static_cast<unsigned char>(c); return true;
    }
  }

  bool Set(Node& node) {
    node.What = Node::Kind::Set;
    bool negate = false;
    if (At < Text.size() && Text[At] == '^') {
      negate = true;
      ++At;
    }
    bool first = true;
    while (At < Text.size() && (Text[At] != ']' || first)) {
      first = false;
      auto low = static_cast<unsigned char>(Text[At++]);
      if (low == '\\' && At < Text.size()) low = static_cast<unsigned char>(Text[At++]);
      unsigned char high = low;
      if (At + 1 < Text.size() && Text[At] == '-' && Text[At + 1] != ']') {
        high = static_cast<unsigned char>(Text[At + 1]);
        At += 2;
      }
      for (unsigned v = low; v <= high; ++v) node.Members.set(v);
    }
    if (At >= Text.size()) return false;
    ++At;  // the closing ']'
    if (negate) node.Members.flip();
    return true;
  }

  std::string_view Text;
  size_t At = 0;
};

class Matcher {
 public:
  using Continuation = std::function<bool(size_t)>;

  Matcher(std::string_view text, bool noCase) : Text(text), NoCase(noCase) {}

  bool List(const ItemList& seq, size_t index, size_t pos, const Continuation& next) const {
    if (index == seq.size()) return next(pos);
    return Repeat(seq[index], 0, pos, [&](size_t after) { return List(seq, index + 1, after, next); });
  }

 private:
  bool Same(unsigned char a, unsigned char b) const {
    if (a == b) return true;
    return NoCase && AsciiCase::Lower(static_cast<char>(a)) == AsciiCase::Lower(static_cast<char>(b));
  }

  // Greedy: one more repetition first, then what follows.
  bool Repeat(const Item& item, size_t count, size_t pos, const Continuation& next) const {
    if (count < item.Max) {
      const bool more = Atom(*item.Atom, pos, [&](size_t after) {
        if (after == pos && count >= item.Min) return false;  // an empty repetition never ends
        return Repeat(item, count + 1, after, next);
      });
      if (more) return true;
    }
    return count >= item.Min && next(pos);
  }

  bool Atom(const Node& node, size_t pos, const Continuation& next) const {
    switch (node.What) {
      case Node::Kind::Byte:
        return pos < Text.size() && Same(static_cast<unsigned char>(Text[pos]), node.Value) && next(pos + 1);
      case Node::Kind::Any: return pos < Text.size() && next(pos + 1);
      case Node::Kind::Set: {
        if (pos >= Text.size()) return false;
        const auto c = static_cast<unsigned char>(Text[pos]);
        const bool in = node.Members.test(c) ||
                        (NoCase && (node.Members.test(static_cast<unsigned char>(AsciiCase::Lower(static_cast<char>(c)))) ||
                                    node.Members.test(static_cast<unsigned char>(AsciiCase::Upper(static_cast<char>(c))))));
        return in && next(pos + 1);
      }
      case Node::Kind::Start: return pos == 0 && next(pos);
      case Node::Kind::End: return pos == Text.size() && next(pos);
      case Node::Kind::Group:
        for (const ItemList& alternative : node.Alternatives)
          if (List(alternative, 0, pos, next)) return true;
        return false;
    }
    return false;
  }

  std::string_view Text;
  bool NoCase;
};

}  // namespace

size_t PatternMatch::Find(std::string_view text, std::string_view pattern, bool noCase) {
  Node root;
  if (!Parser(pattern).Parse(root)) return 0;
  const Matcher matcher(text, noCase);
  for (size_t start = 0; start <= text.size(); ++start)
    for (const ItemList& alternative : root.Alternatives)
      if (matcher.List(alternative, 0, start, [](size_t) { return true; })) return start + 1;
  return 0;
}

}  // namespace runtime::text
