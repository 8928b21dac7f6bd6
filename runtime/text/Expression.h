#pragma once
// A filter or value expression of the runtime's expression language, parsed once and
// evaluated as often as needed on the current contents of the variables it names
// (record buffers, bound program variables). ExpressionParser.h has the grammar.
//
//   Expression e;
//   if (auto err = e.Parse("UPPER(URL:URL) = 'A' AND URL:COUNT > 0"); err.IsError()) ...
//   bool keep = e.Accepts();
//
// Names are bound when the text is parsed: by the resolver given, or else through the
// running thread's ExpressionScope. The expression keeps references to the named
// variables, so it must not be evaluated after they are gone.
//
// Functions (texts are bytes; upper and lower case are those of ASCII, like the keys
// that ignore case):
//   UPPER(x), LOWER(x)            the text of x in upper or lower case
//   INSTRING(sub, text, step, start)
//                                 tries `sub` at positions start, start+step, ...
//                                 (backwards for a negative step) and gives the
//                                 number of the step-sized piece of `text` where it
//                                 first matches, (position-1)/step+1 (with step 1: the
//                                 position); 0 when it is not found, `sub` is empty or
//                                 step is 0. Step and start default to 1.
//   SUB(text, start, length)      `length` bytes from `start` (1 is the first byte, -1
//                                 the last); without length, to the end
//   LEFT(text[, length])          leading blanks moved to the end; cut or padded to
//                                 `length` bytes when given (never splitting a UTF-8
//                                 character)
//   FORMAT(value, picture)        the value shown through a picture (Picture::Format);
//                                 the picture may be written bare, FORMAT(X,@n9)
//   SQL(...)                      a condition for a server that takes one; locally it
//                                 is the empty text, so ''=SQL(...) holds
// Comparisons give 1 or 0 and compare as ExpressionValue::Compare.
//
// Evaluation is linear in the size of the tree and never fails: every operation is
// defined for every value. Parse and evaluate never throw.
//
// Thread safety: an Expression is used by one thread at a time; distinct Expressions
// may be used on distinct threads.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/FieldRef.h"
#include "runtime/text/ExpressionError.h"
#include "runtime/text/ExpressionNode.h"
#include "runtime/text/ExpressionParser.h"
#include "runtime/text/ExpressionValue.h"

namespace runtime::text {

class Expression {
 public:
  using NameResolver = ExpressionParser::NameResolver;

  // Parses `text`, replacing what the expression held. A text of blanks only gives an
  // empty expression. On failure the expression is empty and the error says where and
  // why. Names go to `resolver` first (when given) and then to the thread's scope.
  ExpressionError Parse(std::string_view text, const NameResolver& resolver = {});
  void Clear();

  bool IsEmpty() const { return Nodes.empty(); }
  const std::string& Text() const { return Source; }

  // The value on the variables' current contents; the empty text when empty.
  ExpressionValue Evaluate() const;
  // Whether a filter lets the current record through: true when empty or true.
  bool Accepts() const;

  // When the whole expression is one name, or UPPER of one name: that variable, and
  // whether UPPER wraps it. Used to match an order to a key.
  bool IsField(runtime::data::FieldRef& field, bool& upper) const;

  // Parses and evaluates in one step (through the thread's scope when no resolver).
  static ExpressionError Evaluate(std::string_view text, ExpressionValue& result,
                                  const NameResolver& resolver = {});

 private:
  ExpressionValue Eval(uint32_t index) const;
  ExpressionValue Call(const ExpressionNode& node) const;

  std::string Source;
  std::vector<ExpressionNode> Nodes;  // the root is the last node
};

}  // namespace runtime::text
