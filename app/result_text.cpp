#include "app/result_text.h"

#include "app/flush_sequence.h"

namespace app {

std::wstring ResultText(int32_t lastError, const std::wstring& systemText, int internalCode) {
    std::wstring text;
    if (lastError != 0) {
        text = L"Error: " + std::to_wstring(lastError) + L":\r\n" + systemText;
    } else {
        text = systemText;
    }
    if (internalCode != kCodeDone) {
        text += L"\r\nInternal error code: " + std::to_wstring(internalCode);
    }
    return text;
}

}  // namespace app
