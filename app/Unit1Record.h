#pragma once

struct RecordState {
};
