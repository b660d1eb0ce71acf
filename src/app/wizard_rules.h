// The wizard's button rule, kept apart from the window so it can be checked on its own.
#pragma once

namespace yarvelin {

enum WizardButton : unsigned {
    kWizBack = 0x1,
    kWizNext = 0x2,
    kWizFinish = 0x4,
    kWizDisabledFinish = 0x8,
};

// Buttons of a new sheet: Next alone with two or more pages, Finish alone otherwise.
unsigned InitialWizardButtons(int pageCount);
// Buttons set when Back is pressed on page index i (before the page decides whether to move).
unsigned ButtonsOnBack(int index);
// Buttons set when Next is pressed on page index i of n.
unsigned ButtonsOnNext(int index, int pageCount);

// Help topic of the page with the given index.
const char* HelpTopicForPage(int index);

}  // namespace yarvelin
