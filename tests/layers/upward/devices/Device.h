// Above slot in the drawing; includes nothing of ours.
#pragma once
