#pragma once
// The RS-232 daisy chain: bringing every motor to the port's rate, finding the motors that have
// addresses, and addressing the motors 1..n in chain order by counting echoes.

class CCommPort;

// Reads what has arrived into the port's line buffer without waiting; true when a token (ended by
// a carriage return or a blank) is complete: it is then NUL-ended at the start of the buffer.
bool ReadChainToken(CCommPort& port);
// 1 when the chain echoes, DETECT_CANCELLED when the user cancelled; throws 1004 when the final
// echo test fails (no echo or a wrong one). Port errors are passed on.
int EstablishChain(CCommPort& port, int flags);
// Result values of DetectionFrame.h.
int DetectRS232Chain(CCommPort& port, int flags);
int AddressServos(CCommPort& port, int flags);
