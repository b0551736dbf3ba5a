// The start command: a click on 按钮1 starts one removal run on a worker thread of its own.
#pragma once

namespace varnel {

// The handler of 按钮1's clicked event, on the UI thread: starts a worker and returns at once.
void OnStartClicked();

}  // namespace varnel
