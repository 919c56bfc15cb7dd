#pragma once
// Control ids of the timing page's template.
