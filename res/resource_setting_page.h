#pragma once
// Control ids of the setting page's template.
