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
