// One plain-HTTP GET over a socket of the module's own, for answers that must end in time.
// Under Wine 8 neither WinHTTP's timeouts nor closing its handles end a call whose server
// sends a byte at a time; here every wait is cut to what is left of the whole limit.
#pragma once

#include <cstdint>
#include <string>

class CHttpResponseReader;

class IWaitBudget {
 public:
  // How long the next wait may take: `limitMs`, cut to what is left; 0 once nothing is.
  virtual uint32_t Within(uint32_t limitMs) = 0;

 protected:
  ~IWaitBudget() = default;
};

struct SocketWaits {
  uint32_t connectMs;
  uint32_t silenceMs;
};

// Sends "GET object" to host:port and feeds the answer to `reader` until it is whole, has
// failed, or its head shows a status other than 200. False when the connection could not be
// made or the answer was not read to its end in time; the reader says what arrived.
// Only the name lookup is the system's to bound.
bool SocketGet(const std::u16string& host, uint16_t port, const std::u16string& object, const SocketWaits& waits,
               IWaitBudget& budget, CHttpResponseReader& reader);
