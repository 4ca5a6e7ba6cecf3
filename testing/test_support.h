// Helpers for tests that play the host and the phone service around the page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "page/phone_info.h"

// Dispatches whatever is queued for this thread, then returns.
void PumpPending();
// Dispatches messages for about `milliseconds`.
void PumpFor(DWORD milliseconds);

// A top-level window standing in for the host's container, with the given client size.
// Hidden unless asked; the prefix's virtual desktop makes visible ones cheap to close.
class TestParent {
 public:
  TestParent(int clientWidth, int clientHeight, bool visible = false);
  ~TestParent();
  TestParent(const TestParent&) = delete;
  TestParent& operator=(const TestParent&) = delete;
  HWND Hwnd() const { return hwnd_; }
  int ChildCount() const;

 private:
  HWND hwnd_;
};

// A window of any class that records every message sent or posted to it.
class RecordingWindow {
 public:
  explicit RecordingWindow(const wchar_t* className);
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;
  HWND Hwnd() const { return hwnd_; }
  // Messages at or above WM_USER, in arrival order.
  const std::vector<MSG>& Received() const { return received_; }
  // WM_COPYDATA messages, with their payload copied while the sender waited.
  struct CopyData {
    WPARAM wParam;
    ULONG_PTR dwData;
    std::vector<uint8_t> bytes;
  };
  const std::vector<CopyData>& CopiesReceived() const { return copies_; }
  // Runs after each WM_COPYDATA is recorded, while its sender still waits for the answer.
  void ReactToCopyData(std::function<void()> react) { react_ = std::move(react); }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  std::wstring className_;
  HWND hwnd_ = nullptr;
  std::vector<MSG> received_;
  std::vector<CopyData> copies_;
  std::function<void()> react_;
};

// `bytes` of payload that end exactly where a PAGE_NOACCESS page begins, so any read past
// the end faults.
class GuardedPayload {
 public:
  explicit GuardedPayload(size_t bytes);
  ~GuardedPayload();
  GuardedPayload(const GuardedPayload&) = delete;
  GuardedPayload& operator=(const GuardedPayload&) = delete;
  void* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  void* base_ = nullptr;
  size_t reserved_ = 0;
  void* data_ = nullptr;
  size_t size_ = 0;
};

// A record as the phone service fills it.
PhoneInfo MakeRecord(PageState state);
PhoneInfo MakeRecord(int32_t state);
// A phone with data in every part the information view shows.
PhoneInfo SampleRecord(PageState state);
// Sends a record the way the phone service does; returns the page's answer.
LRESULT SendRecord(HWND page, const PhoneInfo& record);
// Sends `bytes` of payload at `data` in one WM_COPYDATA.
LRESULT SendPayload(HWND page, const void* data, DWORD bytes);
