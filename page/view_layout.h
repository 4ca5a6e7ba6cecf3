// Where the views put their texts and pictures, and the fixed texts they draw: shared by the
// drawing and by the description the page gives assistive technology. Positions are logical
// pixels (96 DPI); the page scales them with its DisplayScale.
#pragma once

#include <windows.h>

namespace page_layout {

inline constexpr wchar_t kGuardWarning[] = L"尚未安装最新版Pelmar，不能与电脑进行通讯，建议立即安装。";
inline constexpr wchar_t kPhoneMemoryLabel[] = L"手机容量";
inline constexpr wchar_t kCardLabel[] = L"存储卡容量";
inline constexpr wchar_t kConnectingText[] = L"正在帮您连接手机与电脑，通常几秒就能完成，请稍候";
inline constexpr const wchar_t* kHints[] = {
    L"1、如果您已经拔出手机，请重新插上",
    L"2、如果您的手机未打开“USB调试模式”，请重新打开",
    L"3、重试一次有问题后，请更换电脑插口再插上手机，然后点击重新连接",
    L"4、拔出手机，重新插上后重新连接一次",
};

// How the information view's texts are measured. They carry the phone's names, where an "&"
// is a letter, not a mnemonic mark.
inline constexpr UINT kMeasureTextFormat = DT_CALCRECT | DT_BOTTOM | DT_NOPREFIX;

// Information view.
inline constexpr int kTopBandEdge = 70;
inline constexpr int kCardEdge = 18;
inline constexpr RECT kCardRect = {38, 118, 738, 455};
inline constexpr POINT kCardTabAt = {37, 136};
inline constexpr POINT kConnectedMarkAt = {19, 5};
inline constexpr POINT kTitleAt = {65, 13};
inline constexpr int kWarningGap = 2;
inline constexpr POINT kPhonePictureCentre = {694, 284};
inline constexpr POINT kPhoneLabelAt = {48, 506};
inline constexpr POINT kPhoneFreeEnd = {245, 506};
inline constexpr POINT kCardLabelAt = {310, 506};
inline constexpr POINT kCardFreeEnd = {506, 506};

// Connecting and failed views.
inline constexpr POINT kConnectingPhoneAt = {199, 200};
inline constexpr POINT kConnectingComputerAt = {529, 200};
inline constexpr int kFirstDotX = 288;
inline constexpr int kDotSpacing = 53;
inline constexpr int kDotCount = 5;
inline constexpr POINT kCurrentDotOffset = {-4, 233};  // x relative to the dot's column
inline constexpr int kRestingRingY = 237;
inline constexpr POINT kConnectingHeadingAt = {338, 323};
inline constexpr RECT kConnectingTextRect = {270, 373, 570, 387};
inline constexpr POINT kFailedPhoneAt = {184, 164};
inline constexpr POINT kFailedHeadingAt = {269, 168};
inline constexpr RECT kFirstHintRect = {267, 218, 767, 234};
inline constexpr int kHintGap = 14;

// Hint `index`'s line, at 100 percent like everything here: the page scales edges, so the
// lines are placed before they are scaled.
inline RECT HintRect(int index) {
  const LONG step = (kFirstHintRect.bottom - kFirstHintRect.top + kHintGap) * index;
  return {kFirstHintRect.left, kFirstHintRect.top + step, kFirstHintRect.right, kFirstHintRect.bottom + step};
}

// Idle view.
inline constexpr POINT kIdleHeadingAt = {118, 79};
inline constexpr POINT kIdlePhoneAt = {200, 177};
inline constexpr POINT kIdleCableAt = {281, 211};
inline constexpr POINT kIdleComputerAt = {530, 177};
inline constexpr POINT kIdleStepsAt = {80, 331};

}  // namespace page_layout
