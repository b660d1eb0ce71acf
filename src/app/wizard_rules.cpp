#include "app/wizard_rules.h"

namespace yarvelin {

unsigned InitialWizardButtons(int pageCount) {
    return pageCount >= 2 ? kWizNext : kWizFinish;
}

unsigned ButtonsOnBack(int index) {
    return index > 1 ? (kWizBack | kWizNext) : kWizNext;
}

unsigned ButtonsOnNext(int index, int pageCount) {
    return index < pageCount - 2 ? (kWizBack | kWizNext) : (kWizBack | kWizFinish);
}

const char* HelpTopicForPage(int index) {
    switch (index) {
        case 0:
            return "yvhelp.chm::/HTML/3.htm";
        case 1:
            return "yvhelp.chm::/HTML/4.htm";
        case 2:
            return "yvhelp.chm::/HTML/5.htm";
        case 3:
            return "yvhelp.chm::/HTML/6.htm";
        default:
            return "";
    }
}

}  // namespace yarvelin
