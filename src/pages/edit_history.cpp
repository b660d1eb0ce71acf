#include "pages/edit_history.h"

#include "app/feed_document.h"

namespace yarvelin {

void CEditHistory::Push(const CFeedDocument& document, std::uint64_t editCountBefore, Step&& step) {
    // A history from another feed, or one that no longer fits the products, cannot be taken back any more.
    if (!m_steps.empty() &&
        (m_steps.back().editCount != editCountBefore || m_steps.back().feedSerial != document.FeedSerial())) {
        m_steps.clear();
    }
    step.editCount = document.EditCount();
    step.feedSerial = document.FeedSerial();
    if (m_steps.size() == kUndoSteps) {
        m_steps.erase(m_steps.begin());
    }
    m_steps.push_back(std::move(step));
}

void CEditHistory::NoteChanged(const CFeedDocument& document, std::uint64_t editCountBefore, std::string what,
                               Products&& before) {
    NoteChangedAndRemoved(document, editCountBefore, std::move(what), std::move(before), Products());
}

void CEditHistory::NoteRemoved(const CFeedDocument& document, std::uint64_t editCountBefore, std::string what,
                               Products&& removed) {
    NoteChangedAndRemoved(document, editCountBefore, std::move(what), Products(), std::move(removed));
}

void CEditHistory::NoteChangedAndRemoved(const CFeedDocument& document, std::uint64_t editCountBefore,
                                         std::string what, Products&& changed, Products&& removed) {
    if (!changed.empty() || !removed.empty()) {
        Push(document, editCountBefore, Step{std::move(what), std::move(changed), std::move(removed)});
    }
}

bool CEditHistory::CanUndo(const CFeedDocument& document) const {
    return !m_steps.empty() && m_steps.back().editCount == document.EditCount() &&
           m_steps.back().feedSerial == document.FeedSerial();
}

std::string CEditHistory::UndoText(const CFeedDocument& document) const {
    return CanUndo(document) ? m_steps.back().what : std::string();
}

std::string CEditHistory::Undo(CFeedDocument& document) {
    if (!CanUndo(document)) {
        m_steps.clear();
        return {};
    }
    Step step = std::move(m_steps.back());
    m_steps.pop_back();
    // The removed products first: the changed ones' positions count them.
    document.RestoreRecords(std::move(step.removed));
    for (auto& [position, record] : step.changed) {
        if (position < document.Count()) {
            document.At(position) = std::move(record);
            document.At(position).removal_mark = false;
        }
    }
    if (!step.changed.empty()) {
        document.MarkChanged();
    }
    // The products are now as they were right after the step below, which can be taken back in turn.
    if (!m_steps.empty()) {
        m_steps.back().editCount = document.EditCount();
    }
    return step.what;
}

}  // namespace yarvelin
