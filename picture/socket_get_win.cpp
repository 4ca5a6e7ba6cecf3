#include "picture/socket_get.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "picture/http_response.h"

namespace {

constexpr int kReceiveChunk = 16 * 1024;
constexpr uint16_t kDefaultHttpPort = 80;

// The socket library counts its users, so each transfer starts and ends its own use.
class CWinsockUse {
 public:
  CWinsockUse() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~CWinsockUse() {
    if (started_) WSACleanup();
  }
  CWinsockUse(const CWinsockUse&) = delete;
  CWinsockUse& operator=(const CWinsockUse&) = delete;
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

class CSocket {
 public:
  CSocket() = default;
  ~CSocket() { Close(); }
  CSocket(const CSocket&) = delete;
  CSocket& operator=(const CSocket&) = delete;
  SOCKET Get() const { return socket_; }
  void Reset(SOCKET socket) {
    Close();
    socket_ = socket;
  }
  SOCKET Release() {
    const SOCKET socket = socket_;
    socket_ = INVALID_SOCKET;
    return socket;
  }

 private:
  void Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  SOCKET socket_ = INVALID_SOCKET;
};

// True once the socket can be written (`write`) or read, within `ms`. A failed connection
// shows in the exception set only.
bool WaitFor(SOCKET socket, bool write, uint32_t ms) {
  if (ms == 0) return false;
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval timeout = {static_cast<long>(ms / 1000), static_cast<long>(ms % 1000) * 1000};
  const int count = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &timeout);
  return count > 0 && FD_ISSET(socket, &ready) && !FD_ISSET(socket, &failed);
}

bool IsPlainAscii(const std::u16string& text) {
  for (char16_t c : text) {
    if (c <= u' ' || c >= 0x7F) return false;
  }
  return !text.empty();
}

bool ConnectTo(const ADDRINFOW& address, const SocketWaits& waits, IWaitBudget& budget, CSocket& connected) {
  CSocket candidate;
  candidate.Reset(socket(address.ai_family, address.ai_socktype, address.ai_protocol));
  if (candidate.Get() == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  if (ioctlsocket(candidate.Get(), FIONBIO, &nonBlocking) != 0) return false;
  if (connect(candidate.Get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    return false;
  }
  if (!WaitFor(candidate.Get(), true, budget.Within(waits.connectMs))) return false;
  int error = 0;
  int size = sizeof error;
  if (getsockopt(candidate.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) {
    return false;
  }
  connected.Reset(candidate.Release());
  return true;
}

bool Connect(const std::u16string& host, uint16_t port, const SocketWaits& waits, IWaitBudget& budget,
             CSocket& connected) {
  // An IPv6 address stands in brackets in a URL, not in a name lookup.
  std::u16string name = host;
  if (name.size() > 2 && name.front() == u'[' && name.back() == u']') name = name.substr(1, name.size() - 2);
  ADDRINFOW hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  const std::wstring service = std::to_wstring(port);
  ADDRINFOW* found = nullptr;
  if (GetAddrInfoW(reinterpret_cast<const wchar_t*>(name.c_str()), service.c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (const ADDRINFOW* address = found; address != nullptr && !ok; address = address->ai_next) {
    ok = ConnectTo(*address, waits, budget, connected);
  }
  FreeAddrInfoW(found);
  return ok;
}

bool SendAll(SOCKET socket, const std::string& bytes, const SocketWaits& waits, IWaitBudget& budget) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    if (!WaitFor(socket, true, budget.Within(waits.silenceMs))) return false;
    const int count = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (count > 0) {
      sent += static_cast<size_t>(count);
    } else if (count == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
      return false;
    }
  }
  return true;
}

std::string RequestText(const std::u16string& host, uint16_t port, const std::u16string& object) {
  std::string text = "GET ";
  text.append(object.begin(), object.end());
  text += " HTTP/1.1\r\nHost: ";
  text.append(host.begin(), host.end());
  if (port != kDefaultHttpPort) text += ":" + std::to_string(port);
  // The same words WinHTTP's requests carry, so the service sees one client.
  text += "\r\nUser-Agent: MobileInfoPage\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n";
  return text;
}

// The answer needs no more bytes: whole, failed, or a status whose body nobody reads.
bool AnswerSettled(const CHttpResponseReader& reader) {
  const CHttpResponseReader::State state = reader.GetState();
  return state == CHttpResponseReader::State::Done || state == CHttpResponseReader::State::Failed ||
         (state == CHttpResponseReader::State::Body && reader.Status() != 200);
}

}  // namespace

bool SocketGet(const std::u16string& host, uint16_t port, const std::u16string& object, const SocketWaits& waits,
               IWaitBudget& budget, CHttpResponseReader& reader) {
  if (!IsPlainAscii(host) || !IsPlainAscii(object)) return false;
  const CWinsockUse winsock;
  if (!winsock.Started()) return false;
  CSocket connection;
  if (!Connect(host, port, waits, budget, connection)) return false;
  if (!SendAll(connection.Get(), RequestText(host, port, object), waits, budget)) return false;

  char buffer[kReceiveChunk];
  while (!AnswerSettled(reader)) {
    if (!WaitFor(connection.Get(), false, budget.Within(waits.silenceMs))) return false;
    const int count = recv(connection.Get(), buffer, sizeof buffer, 0);
    if (count > 0) {
      reader.Feed(std::string_view(buffer, static_cast<size_t>(count)));
    } else if (count == 0) {
      reader.Finish();
    } else if (WSAGetLastError() != WSAEWOULDBLOCK) {
      // A reset is no end of the answer: only an orderly close ends one without a length.
      return false;
    }
  }
  return reader.GetState() != CHttpResponseReader::State::Failed;
}
