#include "flows/Outcome.h"

#include "protocol/ResultCodes.h"

Outcome OutcomeOfResult(int resultCode) {
  switch (resultCode) {
    case rc::Success: return Outcome::Done;
    case rc::Refused:
    case rc::AddressMismatch:
    case rc::UnknownResponse:
    case rc::ResponseTooLong:
    case rc::CommandTooLong:
    case rc::NeedsGate: return Outcome::DriveRefused;
    default:
      // No echo, a wrong echo, silence, a broken or lost port: the line failed.
      return Outcome::LinkFailed;
  }
}

const char* OutcomeWord(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done: return "done";
    case Outcome::Differs: return "differs";
    case Outcome::BadInput: return "bad input";
    case Outcome::LinkFailed: return "link failed";
    case Outcome::DriveRefused: return "drive refused";
    case Outcome::FileError: return "file error";
    case Outcome::Cancelled: return "cancelled";
  }
  return "";
}
