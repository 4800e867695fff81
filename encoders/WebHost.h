#pragma once
// The maker's web host, for data sheets, links and the update check. A macro so
// that paths can be joined to it as constant string literals.
#define RVX_MAKER_WEB_HOST "https://www.rvx-encoders.example"
