// What Ctrl+Z takes back on the product list: the last changes made to many products at once (Set column,
// Find and replace) and removals. Each step keeps the products as they were before it. A step can only be
// taken back while nothing else has changed the products since, so an undo never overwrites an edit made
// in the product editor, a check or a rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "records/other_record.h"

namespace yarvelin {

class CFeedDocument;

class CEditHistory {
  public:
    using Products = std::vector<std::pair<std::size_t, COtherRecord>>;

    // The products at these positions were changed in place; before holds them as they were. editCountBefore
    // is the document's EditCount() before the change: the steps before it stay only when it follows them.
    void NoteChanged(const CFeedDocument& document, std::uint64_t editCountBefore, std::string what,
                     Products&& before);
    // These products (with their positions before the removal, ascending) were removed.
    void NoteRemoved(const CFeedDocument& document, std::uint64_t editCountBefore, std::string what,
                     Products&& removed);
    // One step that did both (the rules): the changed products as they were and the removed ones, each
    // with its position before the step, ascending.
    void NoteChangedAndRemoved(const CFeedDocument& document, std::uint64_t editCountBefore, std::string what,
                               Products&& changed, Products&& removed);

    // Whether the last step can be taken back: there is one and the products have not changed since.
    bool CanUndo(const CFeedDocument& document) const;
    // What the last step did ("Set price on 3 products"); empty when there is nothing to undo.
    std::string UndoText(const CFeedDocument& document) const;
    // Takes the last step back and returns what it did; empty (and nothing changed) when it cannot. The
    // feed stays changed.
    std::string Undo(CFeedDocument& document);

    void Clear() { m_steps.clear(); }

  private:
    struct Step {
        std::string what;
        Products changed;  // as they were, at their positions before the step
        Products removed;
        std::uint64_t editCount = 0;  // the document's count right after the step
        std::uint64_t feedSerial = 0;
    };
    void Push(const CFeedDocument& document, std::uint64_t editCountBefore, Step&& step);

    std::vector<Step> m_steps;
};

// How many steps are kept: enough to go back through a working session, bounded because a step over a large
// selection keeps a copy of every product it touched.
inline constexpr std::size_t kUndoSteps = 20;

}  // namespace yarvelin
