#include "core/result_text.h"

#include "core/flush_sequence.h"

namespace core {

std::wstring ResultText(int32_t lastError, const std::wstring& systemText, int stage) {
    std::wstring text;
    if (lastError != 0) {
        text = L"Error: " + std::to_wstring(lastError) + L":\r\n" + systemText;
    } else {
        text = systemText;
    }
    if (stage != kStageDone) {
        text += L"\r\nInternal error code: " + std::to_wstring(stage);
    }
    return text;
}

}  // namespace core
