#pragma once

struct ReportState {
};
