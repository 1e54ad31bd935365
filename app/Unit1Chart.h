#pragma once

struct ChartState {
};
