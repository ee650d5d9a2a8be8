import os

from hypothesis import HealthCheck, settings

# Property tests are derandomized and bounded so that every run checks the
# same examples; the sanitizer run uses fewer of them (it is much slower).
settings.register_profile(
    "default",
    derandomize=True,
    max_examples=150,
    deadline=None,
    suppress_health_check=[HealthCheck.too_slow],
    database=None,
)
settings.register_profile(
    "sanitize",
    derandomize=True,
    max_examples=25,
    deadline=None,
    suppress_health_check=[HealthCheck.too_slow],
    database=None,
)
settings.load_profile(os.environ.get("TIDEMARK_HYPOTHESIS_PROFILE", "default"))
