// The phone service stand-in, on a thread of its own as the real service is in a process of
// its own: a window of the service's class, which is also the control panel where a person
// picks the state, edits the record and sends it. It shows each install request and, when
// asked to, answers it a moment later with a Connected record, as the real service does once
// the guard application is installed.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "tools/harness/event_log.h"
#include "tools/harness/record_form.h"

class CPhoneService {
 public:
  // Sent by the scenario runner from its own thread.
  static constexpr UINT kSendMessage = WM_APP + 1;      // wParam: state; result: 1 when the page took it
  static constexpr UINT kSetFieldMessage = WM_APP + 2;  // lParam: FieldEdit*; result: 1 when set
  static constexpr UINT kAnswerMessage = WM_APP + 3;    // wParam: answer or not; lParam: delay in ms

  struct FieldEdit {
    std::string name;
    std::u16string value;
    std::string error;
  };

  // `host` is closed when a person closes the service window.
  CPhoneService(EventLog& log, HWND host) : log_(log), host_(host) {}
  ~CPhoneService();
  CPhoneService(const CPhoneService&) = delete;
  CPhoneService& operator=(const CPhoneService&) = delete;

  // Starts the thread and waits until the window exists; false if it could not be made.
  bool Start(int x, int y, int width, int height);
  void Stop();
  HWND Hwnd() const { return hwndShared_.load(); }
  // The page window the records go to; null stops sending.
  void SetPage(HWND page) { page_.store(page); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Run(int x, int y, int width, int height, HANDLE ready);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreatePanel();
  // Places every control and sets their font for `dpi`.
  void Layout(int dpi);
  bool Send(int32_t state, bool answer);
  bool SetField(FieldEdit& edit);
  void SetAnswer(bool on, int delayMs);
  void OnInstallRequest(WPARAM wParam, LPARAM lParam);
  void Note(const std::string& line);
  std::u16string TextOf(HWND control) const;

  EventLog& log_;
  HWND host_;
  std::atomic<HWND> page_{nullptr};
  std::atomic<HWND> hwndShared_{nullptr};  // for other threads
  HWND hwnd_ = nullptr;                    // the service thread's own
  std::thread thread_;
  RecordForm form_;
  HWND labels_[kRecordFieldCount + 1] = {};  // the state's, then the fields'
  HWND state_ = nullptr;
  HWND fields_[kRecordFieldCount] = {};
  HWND send_ = nullptr;
  HWND answer_ = nullptr;
  HWND answerDelay_ = nullptr;
  HWND answerNote_ = nullptr;
  HWND notes_ = nullptr;
  HFONT font_ = nullptr;
  DWORD startTicks_ = 0;
};
