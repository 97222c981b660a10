// The sender's exit codes: the outcome of the report run and of its mail session, one table
// for the driver, the session window and README.
#pragma once

namespace zq {

enum ExitCode : int {
  kExitOk = 0,  // the report was written and the mail, if asked for, accepted
  kMailSent = 0,
  kExitSocketLibrary = 1,  // the socket library could not start (and nothing else)
  kMailReceiveError = 2,
  kMailClosedByServer = 3,
  kMailSendError = 4,
  kMailBadGreeting = 5,
  kMailBadHeloReply = 6,
  kMailBadMailFromReply = 7,  // or a reply to a recipient that is not the last
  kMailBadLastRecipientReply = 8,
  kMailBadDataReply = 9,
  kMailNoConnection = 10,
  kMailRejected = 11,  // the reply to the end of the message was not 250, or came too early
  kMailTimedOut = 12,
  kExitReportLogFailed = 13,      // the report log could not be created, written or attached
  kExitParameterFile = 14,        // the parameter file does not exist or cannot be read
  kExitNoRecipient = 15,          // SmtpTo names no address
  kExitWindowFailed = 16,         // the mail session window could not be created
  kExitClosedByUser = 17,         // the session window was closed before the outcome
  kMailTlsFailed = 18,            // the TLS handshake or a TLS record failed
  kMailCertificateRejected = 19,  // the server's certificate is not trusted or names another
  kMailStartTlsNotOffered = 20,   // STARTTLS was asked for and not offered (or refused)
  kMailAuthRefused = 21,          // authentication refused, or not possible safely
  kMailPasswordUnreadable = 22,   // the protected password could not be unprotected
};

// The mail session's result while no outcome is known.
inline constexpr int kMailUndecided = -1;

}  // namespace zq
