// A header of a high module.
#pragma once
