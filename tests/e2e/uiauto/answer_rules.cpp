#include "uiauto/answer_rules.h"

namespace uiauto {

AnswerRules& AnswerRules::WhenTextContains(const std::wstring& part, int buttonId)
{
    return Use([part, buttonId](const MessageBoxRecord& box) {
        return box.text.find(part) != std::wstring::npos ? buttonId : 0;
    });
}

AnswerRules& AnswerRules::WhenTitleContains(const std::wstring& part, int buttonId)
{
    return Use([part, buttonId](const MessageBoxRecord& box) {
        return box.title.find(part) != std::wstring::npos ? buttonId : 0;
    });
}

AnswerRules& AnswerRules::Use(Callback callback)
{
    rules_.push_back(std::move(callback));
    return *this;
}

AnswerRules& AnswerRules::Otherwise(int buttonId)
{
    defaultAnswer_ = buttonId;
    return *this;
}

int AnswerRules::Choose(const MessageBoxRecord& box) const
{
    for (const Callback& rule : rules_) {
        if (int id = rule(box))
            return id;
    }
    return defaultAnswer_;
}

} // namespace uiauto
