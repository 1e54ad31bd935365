#pragma once

struct FramesState {
};
