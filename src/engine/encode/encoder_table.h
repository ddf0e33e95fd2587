// The engine's encoder handles: each running encoder by its handle, and why each of the last
// few stopped ones failed, for BASS_Encode_GetError after a failed stop.
#pragma once

#include "engine/encode/encoder.h"

#include <memory>

namespace tavelo::engine {

HENCODE nextEncoderHandle();
void addEncoder(std::shared_ptr<Encoder> encoder);
std::shared_ptr<Encoder> findEncoder(HENCODE handle);
// Stops the encoder (when not stopped yet) and forgets it; its error stays readable.
bool retireEncoder(const std::shared_ptr<Encoder>& encoder);
// Null for an unknown handle or one that has not failed; valid until 32 more encoders retire.
const char* encoderError(HENCODE handle);

}  // namespace tavelo::engine
