#include "headless_run.h"
#include "platform/application_folder.h"

int main() { return kp::RunHeadless(kp::ApplicationFolder()); }
