#pragma once

#include "uiauto/message_box.h"

#include <functional>
#include <string>
#include <vector>

namespace uiauto {

// Chooses the button for a message box: the first rule that gives an id
// wins, in the order the rules were added; otherwise the default answer.
class AnswerRules {
public:
    // Returns a button id, or 0 to leave the box to the next rule.
    typedef std::function<int(const MessageBoxRecord&)> Callback;

    AnswerRules& WhenTextContains(const std::wstring& part, int buttonId);
    AnswerRules& WhenTitleContains(const std::wstring& part, int buttonId);
    AnswerRules& Use(Callback callback);
    // 0, the initial value, stands for the box's default button.
    AnswerRules& Otherwise(int buttonId);

    int Choose(const MessageBoxRecord& box) const;

private:
    std::vector<Callback> rules_;
    int defaultAnswer_ = 0;
};

} // namespace uiauto
